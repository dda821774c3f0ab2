// Test-only disassembler: a readable listing of a compiled prototype and its nested ones.
#pragma once

#include <string>

struct Proto;

namespace scripttest {

// One block per prototype: a header line, the instructions with their source lines and
// operands (RK constants shown as K<n>, jump targets as instruction numbers), then the
// constants, locals and upvalue names; nested prototypes follow, indented by their depth.
std::string Disassemble(const Proto* p);

// Just the instruction lines of one prototype (no header, constants or nested functions).
std::string ListCode(const Proto* p);

}  // namespace scripttest
