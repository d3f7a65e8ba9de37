#pragma once
// Limits what an edit takes by the bytes of its UTF-8 text, not its
// characters: passwords are byte strings (a key can be derived from at most
// 252 bytes) and stored texts are read back through a fixed byte buffer. An
// input that would go beyond the limit is refused as it is typed or pasted.

#include <QValidator>
#include <cstddef>

class QLineEdit;

namespace tsrn::edits {

class Utf8ByteValidator : public QValidator {
  public:
    Utf8ByteValidator(std::size_t maxBytes, QObject* parent);

    State validate(QString& input, int& position) const override;
    std::size_t MaxBytes() const { return maxBytes_; }

  private:
    std::size_t maxBytes_;
};

// Gives the edit a validator with this limit (owned by the edit).
void LimitUtf8Bytes(QLineEdit* edit, std::size_t maxBytes);

}  // namespace tsrn::edits
