#pragma once
// The C runtime's argument splitting that the built command lines are checked against. It is declared
// beside the builder; should it move, this include is the one line to change.
#include "encoder/EncoderCommandLine.h"
