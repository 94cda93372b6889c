// Standard streams of the tezl tool, as each platform has them.
#pragma once

#include <cstddef>
#include <cstdint>

// Puts standard input and output into binary mode where the platform
// distinguishes text from binary streams.
void osTezlTool_SetBinaryStdio();

// When standard input is a regular file, answers true with its size in
// *pBytes (so that it can be read in one piece); false for a pipe, a
// terminal or a device.
[[nodiscard]] bool osTezlTool_InputFileSize(uint64_t *pBytes);

// Memory for the tool's input and output buffers, not cleared. Large
// buffers are first touched by the reader or the codec; where the system
// can back them with large pages, they are asked for so, which makes that
// first touch far cheaper. Null when the memory is not there.
[[nodiscard]] uint8_t *osTezlTool_AllocateBuffer(size_t bytes);
void osTezlTool_FreeBuffer(uint8_t *pBuffer);
