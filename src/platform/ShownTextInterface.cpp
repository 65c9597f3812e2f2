// SPDX-License-Identifier: MIT
#include "ShownTextInterface.h"

#include <algorithm>
#include <climits>

namespace platform {

void ShownTextInterface::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

QString ShownTextInterface::text(int startOffset, int endOffset) const {
    const QString shown = shownText();
    const int size = int(std::min<qsizetype>(shown.size(), INT_MAX));
    startOffset = std::clamp(startOffset, 0, size);
    endOffset = std::clamp(endOffset < 0 ? size : endOffset, startOffset, size);
    return shown.mid(startOffset, endOffset - startOffset);
}

int ShownTextInterface::characterCount() const {
    return int(std::min<qsizetype>(shownText().size(), INT_MAX));
}

QString ShownTextInterface::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

} // namespace platform
