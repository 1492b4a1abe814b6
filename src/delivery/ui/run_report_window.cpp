// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/run_report_window.h"

#include "common/clock.h"
#include "common/operator_prompts.h"
#include "delivery/run_report.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RunReportWindow::RunReportWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("runReport"));
    setWindowTitle(messageTitle(QStringLiteral("　未送信の宛先　")));
    setModal(false);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("reportText"));
    text_->setAccessibleName(QStringLiteral("送信結果"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setTabStopDistance(QFontMetrics(text_->font()).horizontalAdvance(QStringLiteral("あ")) * 12);
    saved_ = new QLabel(this);
    saved_->setObjectName(QStringLiteral("reportSaved"));
    saved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    uncertainHeading_ = new QLabel(QStringLiteral("送信状況が不明なメール（届いた可能性があります。自動では再送しません。"
                                                  "届いていないと分かったものだけ「再送信」を押してください）"),
                                   this);
    uncertainHeading_->setWordWrap(true);
    uncertain_ = new QTableWidget(0, 6, this);
    uncertain_->setObjectName(QStringLiteral("uncertainMails"));
    uncertain_->setAccessibleName(QStringLiteral("送信状況が不明なメール"));
    uncertain_->setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("メールアドレス"), QStringLiteral("ステップ"),
                                           QStringLiteral("配信日"), QStringLiteral("応答"), QString()});
    uncertain_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    uncertain_->verticalHeader()->hide();
    uncertain_->horizontalHeader()->setStretchLastSection(true);
    uncertainHeading_->hide();
    uncertain_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(saved_);
    layout->addWidget(uncertainHeading_);
    layout->addWidget(uncertain_, 1);
    layout->addWidget(buttons);
    resize(760, 380);
}

void RunReportWindow::addReport(const QString& text, const QString& savedNote)
{
    if (!text_->document()->isEmpty())
        text_->appendPlainText(QString());
    text_->appendPlainText(text.trimmed());
    saved_->setText(savedNote);
    show();
    raise();
}

QString RunReportWindow::text() const { return text_->toPlainText(); }

void RunReportWindow::showUncertain(const QList<StoredMail>& mails)
{
    uncertain_->setRowCount(0);
    for (const StoredMail& mail : mails) {
        const int row = uncertain_->rowCount();
        uncertain_->insertRow(row);
        const QStringList cells{mail.name, mail.key.address, mailKindName(mail), dateText(mail.key.due), mail.reply};
        for (int column = 0; column < cells.size(); ++column)
            uncertain_->setItem(row, column, new QTableWidgetItem(cells[column]));
        auto* resend = new QPushButton(QStringLiteral("再送信"), uncertain_);
        resend->setObjectName(QStringLiteral("resendUncertain"));
        resend->setAccessibleName(QStringLiteral("再送信 %1 %2").arg(mail.name, cells[2]));
        const DueEntry line{mail.key.record, mail.key.step, mail.name, mail.key.due};
        connect(resend, &QPushButton::clicked, this, [this, resend, line] {
            for (int r = 0; r < uncertain_->rowCount(); ++r) {
                if (uncertain_->cellWidget(r, 5) == resend)
                    uncertain_->removeRow(r);
            }
            uncertainHeading_->setVisible(uncertain_->rowCount() > 0);
            uncertain_->setVisible(uncertain_->rowCount() > 0);
            emit resendRequested(line);
        });
        uncertain_->setCellWidget(row, 5, resend);
    }
    uncertainHeading_->setVisible(!mails.isEmpty());
    uncertain_->setVisible(!mails.isEmpty());
    if (!mails.isEmpty()) {
        show();
        raise();
    }
}
