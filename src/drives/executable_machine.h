#pragma once
// The processor a Windows program was built for, read from its PE header, so
// a boot-sector program is started only on a host that can run it.
class IByteSource;

enum class TExecutableMachine {
  I386,
  X64,
  Other,  // any other processor, and a file that is no PE program
};

TExecutableMachine ReadExecutableMachine(IByteSource& file);
