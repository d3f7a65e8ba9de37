#pragma once
// Small pieces the folder dialogs share: a check box per prohibition, named
// by its control id.

#include <QCheckBox>
#include <QString>

#include "view/DialogStates.h"

class QWidget;
class QGridLayout;

namespace tsrn::view {

struct ProhibitionBoxes {
    QCheckBox* forbidDelete = nullptr;
    QCheckBox* forbidWrite = nullptr;
    QCheckBox* forbidSearch = nullptr;
    QCheckBox* forbidOpen = nullptr;

    void Set(const Prohibitions& prohibitions);
    Prohibitions Get() const;
};

// The four check boxes of dialog `dialogId`, in a column under `parent`.
ProhibitionBoxes MakeProhibitionBoxes(int dialogId, QWidget* parent, QGridLayout* layout,
                                      int firstRow);

QString ControlName(int controlId);

}  // namespace tsrn::view
