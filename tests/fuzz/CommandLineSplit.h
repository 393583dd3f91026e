#pragma once
// The C runtime's argument splitting that the built command lines are checked against. It is declared
// beside the builder; should it move, this include (and, for a source file of its own, the
// fuzz_command_line target in tests/fuzz/CMakeLists.txt) is what changes.
#include "encoder/EncoderCommandLine.h"
