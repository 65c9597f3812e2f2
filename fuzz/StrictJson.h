// SPDX-License-Identifier: MIT
// A strict JSON reader as the fuzz targets' oracle. It is built without coverage feedback: the
// oracle's branches say nothing about the code under test and only slow each run.
#pragma once

#include <QByteArray>

bool strictJsonAccepts(const QByteArray& document);
