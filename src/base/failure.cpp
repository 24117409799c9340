#include "base/failure.h"

#include "base/text_convert.h"

EFailure::EFailure(std::wstring message) : FMessage(std::move(message)), FNarrow(ToUtf8(FMessage)) {}

std::wstring UncaughtFailureText(const std::wstring& message) {
  if (!message.empty() && message.back() == L'.') return message;
  return message + L".";
}
