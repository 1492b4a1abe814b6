#include "delivery/ui/run_report_window.h"

#include "common/operator_prompts.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(saved_);
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
