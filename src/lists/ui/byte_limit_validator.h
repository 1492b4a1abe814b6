// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

// Refuses an edit once the text would take more than `limit` bytes in code
// page 932 (0: no limit), counting as the record field does (a full-width
// character is two), and refuses any character that code page 932 cannot
// hold, naming it through `refused`, since the field would store '?' instead.
class ByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    ByteLimitValidator(int limit, QObject* parent);
    State validate(QString& input, int& pos) const override;

signals:
    void refused(const QString& characters) const;

private:
    int limit_;
};
