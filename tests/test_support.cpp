#include "test_support.h"

int RecordingInteraction::MessageBox(const CString& text, const CString& caption, UINT type) {
    messages.push_back(text.ToUtf8());
    captions.push_back(caption.ToUtf8());
    types.push_back(type);
    return IDOK;
}
