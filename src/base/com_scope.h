#pragma once
// COM on the GUI thread, which the file dialog and the shell expect:
// apartment-threaded, OLE1 DDE off, released when the scope ends.
class TComScope {
public:
  TComScope();
  ~TComScope();
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  bool FInitialized = false;
};
