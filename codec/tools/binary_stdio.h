// Puts standard input and output into binary mode where the platform
// distinguishes text from binary streams.
#pragma once

void tezlTool_SetBinaryStdio();
