#pragma once

#include <QValidator>

// Refuses an edit once the text would take more than `limit` bytes in code
// page 932, counting as the record field does (a full-width character is two).
class ByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    ByteLimitValidator(int limit, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    int limit_;
};
