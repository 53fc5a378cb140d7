#pragma once
// The processing commands of the image document: one table row per command, one handler for all.
#include <functional>
#include <span>

struct FIBITMAP;
class CImageProcessor;
class CLumivoDoc;

// When a command is enabled, by the bits per pixel of the active image.
enum EEnableRule { ENABLE_ALWAYS, ENABLE_MORE_THAN_1BIT, ENABLE_8BIT_OR_MORE };

// The operation a command runs once its parameters are known, from the processor over the source
// into a new bitmap (or null, which opens nothing).
using FnOperation = std::function<FIBITMAP*(CImageProcessor&)>;

struct SProcessingCommand {
    int nId;
    const char* pszTitle; // title of the result document
    EEnableRule eRule;
    // Asks for the parameters (commands with a dialog) and gives the operation; an empty function
    // when the dialog was cancelled or the command does its work itself (or nothing).
    FnOperation (*fnPrepare)(CLumivoDoc& doc);
};

std::span<const SProcessingCommand> ProcessingCommands();
bool IsProcessingEnabled(EEnableRule eRule, int nBpp);
// Runs a command on the document: parameters, clock, wait cursor, operation, elapsed time into the
// source, and the result as a new document titled after the command.
void RunProcessingCommand(CLumivoDoc& doc, const SProcessingCommand& command);
// Gives the document a handler and an update handler for every available processing command.
void AddProcessingCommands(CLumivoDoc& doc);
