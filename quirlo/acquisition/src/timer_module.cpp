#include "quirlo/acquisition/timer_module.h"

namespace quirlo::acquisition {

namespace {
constexpr int kSerialEvery = 5;  // serial inputs every 100 ms
constexpr int kLiveLineAt = 50;  // the job counter's cycle: one second
}  // namespace

TTickWork TTickSchedule::Next() {
  TTickWork work;
  ++serialCounter_;
  ++jobCounter_;
  if (serialCounter_ >= kSerialEvery) {
    serialCounter_ = 0;
    work.pollSerialInputs = true;
  }
  switch (jobCounter_) {
    case 38: work.job = TTickJob::AnalogDialogs; break;
    case 40: work.job = TTickJob::DigitalDialogs; break;
    case 42: work.job = TTickJob::RateDialogs; break;
    case 44: work.job = TTickJob::ChannelDialog; break;
    case 46: work.job = TTickJob::PageCount; break;
    case 48: work.job = TTickJob::StatusBars; break;
    default:
      if (jobCounter_ >= kLiveLineAt) {
        jobCounter_ = 0;
        work.job = TTickJob::LiveLine;
      }
  }
  return work;
}

TTimerModule::TTimerModule(Dispatcher& dispatcher, TTimerHooks hooks)
    : dispatcher_(dispatcher), hooks_(std::move(hooks)) {}

TTimerModule::~TTimerModule() { Stop(); }

void TTimerModule::Start() {
  timer_.Start(kMasterTimerPeriod, [this] { Tick(); });
}

void TTimerModule::Stop() { timer_.Stop(); }

void TTimerModule::Tick() {
  ++ticks_;
  const TTickWork work = schedule_.Next();
  Call(hooks_.pollBox);
  if (work.pollSerialInputs) Call(hooks_.pollSerialInputs);
  switch (work.job) {
    case TTickJob::None: break;
    case TTickJob::AnalogDialogs: Call(hooks_.refreshAnalogDialogs); break;
    case TTickJob::DigitalDialogs: Call(hooks_.refreshDigitalDialogs); break;
    case TTickJob::RateDialogs: Call(hooks_.refreshRateDialogs); break;
    case TTickJob::ChannelDialog: Call(hooks_.refreshChannelDialog); break;
    case TTickJob::PageCount: Call(hooks_.refreshPageCount); break;
    case TTickJob::StatusBars:
      if (hooks_.refreshStatusBars) dispatcher_.Post(hooks_.refreshStatusBars);
      break;
    case TTickJob::LiveLine: Call(hooks_.publishLiveLine); break;
  }
}

}  // namespace quirlo::acquisition
