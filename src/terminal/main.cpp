// SPDX-License-Identifier: MIT
// vintrel-query: a query of the command line answered on standard output, as vintrel --stdout
// answers it, by a program that maps no window library.
#include "TerminalMain.h"

int main(int argc, char** argv) {
    return terminal::runCommandLine(argc, argv, true);
}
