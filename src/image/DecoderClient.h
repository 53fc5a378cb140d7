#pragma once
// Decoding image files in the sandboxed helper (lumivo-decoder): the program opens the file, hands the
// descriptor to the helper, which it starts once and which decodes each file in a child process of its
// own, and builds a bitmap from the reply after checking it. No Qt.
#include <string>

struct FIBITMAP;

// How long the program waits for a reply, in milliseconds; the decoding child ends then too.
constexpr int DECODER_TIMEOUT_MS = 60000;

// The helper's path: lumivo-decoder beside the running executable, else the one the build made.
std::string DecoderPath();

// Decodes the open file fd (a FreeImage format of the format table) in a helper; null when the helper
// refuses the file, fails, crashes, hits a limit, takes longer than the timeout or replies with
// anything unsound. fd stays open and its position untouched.
FIBITMAP* DecodeInHelper(int fif, int fd, int nTimeoutMs = DECODER_TIMEOUT_MS);
