#include "edits/Utf8ByteValidator.h"

#include <QLineEdit>

namespace tsrn::edits {

Utf8ByteValidator::Utf8ByteValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State Utf8ByteValidator::validate(QString& input, int& position) const {
    (void)position;
    return static_cast<std::size_t>(input.toUtf8().size()) <= maxBytes_ ? Acceptable : Invalid;
}

void LimitUtf8Bytes(QLineEdit* edit, std::size_t maxBytes) {
    edit->setValidator(new Utf8ByteValidator(maxBytes, edit));
}

}  // namespace tsrn::edits
