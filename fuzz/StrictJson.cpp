// SPDX-License-Identifier: MIT
#include "StrictJson.h"

#include <nlohmann/json.hpp>

bool strictJsonAccepts(const QByteArray& document) {
    return nlohmann::json::accept(document.cbegin(), document.cend());
}
