#!/bin/sh
# Compiles or links with wine's compiler driver in place of the compiler CMake names
# (used as a compiler launcher and a link rule launcher in the wine host's build):
#   wine-compiler.sh COMPILER ARGUMENTS...
shift
exec "${VELM_WINEGXX:-wineg++-stable}" "$@"
