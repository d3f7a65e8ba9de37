#pragma once
// What a progress window shows of a bulk run; every call reports a change.

#include <cstddef>
#include <string>

namespace tsrn::bulk {

class RunListener {
  public:
    virtual ~RunListener() = default;
    // The "Current file:" field: a file's path, or the success text at the end.
    virtual void FileTextChanged(const std::string& text) { (void)text; }
    // The number of files done (counts down while a run is undone).
    virtual void CounterChanged(std::size_t count) { (void)count; }
    virtual void PercentChanged(int percent) { (void)percent; }
    // 274 "Cancel" while the run goes on, 275 "OK" once it has ended.
    virtual void ButtonTextChanged(int textId) { (void)textId; }
};

}  // namespace tsrn::bulk
