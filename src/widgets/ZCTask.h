#pragma once

// A small deferred action with one operation; widgets run one when the mouse enters them and
// one when it leaves. Tasks are not owned by the widgets that run them.
class ZCTask {
 public:
  virtual ~ZCTask() = default;
  virtual void Run() = 0;
};
