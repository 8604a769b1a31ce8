// A block buffer shown as lines in a multi-line text edit and joined back
// into bytes, keeping its line separators. Main thread only.
#pragma once

namespace Zelkoran {
class Panel;
}

// How a block buffer is shown as text.
enum ASCIIMode : int {
    AM_BINARY = -1,  // a byte text does not have: the edit is empty and disabled
    AM_ONE_LINE = 0, // no LF: one line (LF joins lines the user adds)
    AM_LF = 1,       // lines separated by LF
    AM_CRLF = 2,     // lines separated by CR LF
};

// Classifies buffer (null: nothing happens) and, for text, fills the
// multi-line text edit textEditId of panel with its lines; mode and
// endsWithNewline describe the buffer for rebuildTextBufferFromTextEdit.
// Always 0.
int checkAndPopulateASCII(Zelkoran::Panel& panel, const unsigned char* buffer, int length, ASCIIMode& mode,
                          bool& endsWithNewline, int textEditId);
// The edit's lines joined as mode says, in a new buffer of module 15 that
// the caller frees with CMem::free. 0, or -1 with buffer null and length 0
// (binary mode, no edit, nothing to save, no memory).
int rebuildTextBufferFromTextEdit(Zelkoran::Panel& panel, int textEditId, ASCIIMode mode, bool endsWithNewline,
                                  unsigned char*& buffer, int& length);
