#include "common/StopRequest.hpp"

namespace {

thread_local const std::atomic<bool>* installedFlag = nullptr;

}  // namespace

const std::atomic<bool>* currentStopFlag() { return installedFlag; }

StopScope::StopScope(const std::atomic<bool>* flag) : previous_(installedFlag) { installedFlag = flag; }

StopScope::~StopScope() { installedFlag = previous_; }
