// SPDX-License-Identifier: MIT
#pragma once
// The "Find Text" dialog (template 203). It edits the frame's FindTransferBuffer: the controls
// are filled from it when the dialog opens, and copied back only when it closes with Find.

#include "Base_Dialog.h"

#include <QString>
#include <cstdint>

namespace dialogs {

// The search settings, kept by the frame for the run and never written to the settings file.
struct FindTransferBuffer {
    QString text; // at most 49 bytes of UTF-8
    std::uint32_t forward = 1;
    std::uint32_t backward = 0;
    std::uint32_t fromCursor = 0;
    std::uint32_t entireScope = 1;
    std::uint32_t caseSensitive = 1;
    std::uint32_t wholeWord = 0;
};

class FindDlg : public Base_Dialog {
    Q_OBJECT
public:
    FindDlg(QWidget* parent, int resourceId, FindTransferBuffer* buffer);

    void done(int result) override;

protected:
    void SetupWindow() override;

private:
    FindTransferBuffer* m_buffer;
};

} // namespace dialogs
