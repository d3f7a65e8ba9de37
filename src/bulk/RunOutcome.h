#pragma once
// How a bulk run ended.

namespace tsrn::bulk {

enum class RunOutcome {
    Running,    // not ended yet (also while the finished run awaits its OK)
    Completed,  // every file was processed and OK was pressed (IDOK)
    Failed,     // the walk or an undo failed (IDCANCEL)
    Cancelled,  // the user cancelled and the files done were undone (IDCANCEL)
};

}  // namespace tsrn::bulk
