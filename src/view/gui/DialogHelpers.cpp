#include "view/gui/DialogHelpers.h"

#include <QGridLayout>

#include "app/gui/ShellTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::view {

namespace ctl = res::ctl;

QString ControlName(int controlId) {
    return QString::number(controlId);
}

void ProhibitionBoxes::Set(const Prohibitions& prohibitions) {
    forbidDelete->setChecked(prohibitions.forbidDelete);
    forbidWrite->setChecked(prohibitions.forbidWrite);
    forbidSearch->setChecked(prohibitions.forbidSearch);
    forbidOpen->setChecked(prohibitions.forbidOpen);
}

Prohibitions ProhibitionBoxes::Get() const {
    return {forbidDelete->isChecked(), forbidWrite->isChecked(), forbidSearch->isChecked(),
            forbidOpen->isChecked()};
}

ProhibitionBoxes MakeProhibitionBoxes(int dialogId, QWidget* parent, QGridLayout* layout,
                                      int firstRow) {
    auto make = [&](int id, int row) {
        auto* box = new QCheckBox(app::ControlLabel(dialogId, id), parent);
        box->setObjectName(ControlName(id));
        layout->addWidget(box, row, 0, 1, 2);
        return box;
    };
    ProhibitionBoxes boxes;
    boxes.forbidDelete = make(ctl::kForbidDeleteBox, firstRow);
    boxes.forbidWrite = make(ctl::kForbidWriteBox, firstRow + 1);
    boxes.forbidSearch = make(ctl::kForbidSearchBox, firstRow + 2);
    boxes.forbidOpen = make(ctl::kForbidOpenBox, firstRow + 3);
    return boxes;
}

}  // namespace tsrn::view
