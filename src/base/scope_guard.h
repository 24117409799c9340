#pragma once
// Runs an undo step on every way out of a scope, for the one-off cases that
// have no scope type of their own.
#include <utility>

template <typename F>
class TScopeGuard {
public:
  explicit TScopeGuard(F action) : FAction(std::move(action)) {}
  ~TScopeGuard() { FAction(); }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
  F FAction;
};
