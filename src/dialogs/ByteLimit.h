// SPDX-License-Identifier: MIT
#pragma once
// Fields whose text is stored in a fixed number of bytes hold at most that many bytes of
// UTF-8, counted as the user types: a keystroke or paste that would go past the limit is
// refused with a beep, so no character is ever cut in half and what is shown is what is kept.
// Text the program itself puts in a field is not checked.

class QLineEdit;

namespace dialogs {

void limitUtf8Bytes(QLineEdit* field, int maxBytes);

} // namespace dialogs
