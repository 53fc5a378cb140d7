// libFuzzer target: the program's reading of a decoder reply, on any bytes.
#include "image/ByteSource.h"
#include "image/DecoderReply.h"

#include <FreeImage.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CMemorySource source(pData, nSize);
    FreeImage_Unload(ReadDecoderReply(source));
    return 0;
}
