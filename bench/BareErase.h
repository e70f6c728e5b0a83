// The floor the erasers' design allows: the same Win32 calls per entry as
// EraseFolderContents (the starting folder's attributes once, then per entry
// its attributes, a delete or a recursion and a folder removal, and the
// listing calls), with fixed buffers and nothing else.
#pragma once

void BareErase(const char* folder);
