// The trace hook: the main operations call it on entry and exit with their name
// followed by "_START" or "_END". It writes nothing; a debugger can break on it.
#pragma once

namespace velm {

void Trace(const char* text);

}  // namespace velm
