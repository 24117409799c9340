#pragma once
// The program's one exception kind: it carries only a message text.
#include <exception>
#include <string>

#include "base/text_convert.h"

class EFailure : public std::exception {
public:
  explicit EFailure(std::wstring message);
  const std::wstring& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FNarrow.c_str(); }

private:
  std::wstring FMessage;
  std::string FNarrow;  // UTF-8 copy for what()
};

// Text for the handler of uncaught failures: the message with a full stop
// added unless it already ends in one.
std::wstring UncaughtFailureText(const std::wstring& message);
