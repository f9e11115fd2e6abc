#pragma once
// The common base of forms, controls and components, so that every event
// handler can take its sender first.

#include <functional>

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
