#pragma once
// Runs one stage the way every stage runs: its start text, its console
// program (or a body of its own, as the image stage has), then its result
// texts and boxes through the view. No child or pipe outlives a stage, on any
// way out.
#include <functional>
#include <string>

#include "base/message_pump.h"

#include "stages/stage_id.h"
#include "stages/stage_text.h"
#include "stages/tool_runner.h"

class IBurnView;

class TStageRunner : private TToolRunner {
public:
  // `pump` keeps the thread's windows answering while a program runs.
  explicit TStageRunner(IBurnView& view, std::function<void()> pump = ProcessPendingMessages)
      : FView(view), FPump(std::move(pump)) {}

  // The stage's result. `body`, when given, takes the program's place.
  bool Run(StageId stage, const TStageCommandParts& parts, const std::function<bool()>& body = {});
  // True when no child and no pipe is held.
  bool Idle() const;
  // Ends the running program now, also from a message processed while it runs.
  using TToolRunner::ReleaseToolProcess;

private:
  void ProcessMessages() override;

  IBurnView& FView;
  std::function<void()> FPump;
};

// A stage's box, with its title and icon.
void ShowStageBox(IBurnView& view, const TStageBox& box);

// The recovery guide, shown by the window's link and after diskpart cannot start.
extern const wchar_t* const RecoveryGuideText;
