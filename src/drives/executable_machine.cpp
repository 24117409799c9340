#include "drives/executable_machine.h"

#include <array>
#include <cstdint>

#include "base/byte_source.h"

namespace {
constexpr size_t NewHeaderPointerOffset = 0x3C;
constexpr uint16_t MachineI386 = 0x014C;
constexpr uint16_t MachineAmd64 = 0x8664;
}  // namespace

TExecutableMachine ReadExecutableMachine(IByteSource& file) {
  std::array<uint8_t, 64> dosHeader{};
  if (!file.ReadAt(0, dosHeader) || dosHeader[0] != 'M' || dosHeader[1] != 'Z') return TExecutableMachine::Other;
  std::array<uint8_t, 6> signatureAndMachine{};
  const auto& s = signatureAndMachine;
  if (!file.ReadAt(LittleEndian32(&dosHeader[NewHeaderPointerOffset]), signatureAndMachine) || s[0] != 'P' ||
      s[1] != 'E' || s[2] != 0 || s[3] != 0)
    return TExecutableMachine::Other;
  switch (LittleEndian16(&s[4])) {
    case MachineI386: return TExecutableMachine::I386;
    case MachineAmd64: return TExecutableMachine::X64;
    default: return TExecutableMachine::Other;
  }
}
