// SPDX-License-Identifier: GPL-3.0-or-later
// The sending tab's controls and where they stand.
#include "delivery/ui/send_panel.h"

#include "delivery/sender_notice.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

QPushButton* namedButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QTextEdit* mailBox(const QString& name, QWidget* parent)
{
    auto* box = new QTextEdit(parent);
    box->setObjectName(name);
    box->setAcceptRichText(false);
    box->setTabChangesFocus(true); // Tab leaves the box, as everywhere else; a mail text rarely wants one
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    box->setFont(font);
    return box;
}

} // namespace

void SendPanel::buildLayout()
{
    auto* frame1 = new QGroupBox(QStringLiteral("送信者リスト"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    sendList_ = new QListWidget(frame1);
    sendList_->setObjectName(QStringLiteral("List1"));
    sendList_->setAccessibleName(QStringLiteral("送信者リスト"));
    searchButton_ = namedButton(QStringLiteral("Command1"), QStringLiteral("検　索"), frame1);
    targetButton_ = namedButton(QStringLiteral("Command3"), QStringLiteral("ターゲット送信"), frame1);
    scrambleButton_ = namedButton(QStringLiteral("Command18"), QStringLiteral("スクランブル送信"), frame1);
    clearButton_ = namedButton(QStringLiteral("Command19"), QStringLiteral("リストクリア"), frame1);
    resendButton_ = namedButton(QStringLiteral("CommandResend"), QStringLiteral("残りを送信"), frame1);
    resendButton_->setToolTip(QStringLiteral("送信リストに残っているステップメールを送信します"));
    testSendButton_ = namedButton(QStringLiteral("CommandTestSend"), QStringLiteral("テスト送信"), frame1);
    testSendButton_->setToolTip(QStringLiteral("選んだ行のメールを送信者自身のアドレスに送ります（送信ログには残りません）"));
    previewButton_ = namedButton(QStringLiteral("CommandPreview"), QStringLiteral("プレビュー"), frame1);
    previewButton_->setToolTip(QStringLiteral("選んだ行のゲストに届くメールを表示します"));
    targetButton_->setEnabled(false);
    scrambleButton_->setEnabled(false);
    scrambleButton_->hide();
    auto* frameLayout = new QVBoxLayout(frame1);
    frameLayout->addWidget(sendList_, 1);
    for (QPushButton* button : {clearButton_, scrambleButton_, targetButton_, resendButton_, previewButton_,
                                testSendButton_, searchButton_})
        frameLayout->addWidget(button);

    subjectLabel_ = new QLabel(QStringLiteral("件名"), this);
    subjectLabel_->setObjectName(QStringLiteral("Label46"));
    auto* label47 = new QLabel(QStringLiteral("宛先"), this);
    label47->setObjectName(QStringLiteral("Label47"));
    subjectBox_ = new QLineEdit(this);
    subjectBox_->setObjectName(QStringLiteral("Text23"));
    recipientBox_ = new QLineEdit(this);
    recipientBox_->setObjectName(QStringLiteral("Text24"));
    // The address comes from the guest's record: the mail goes where the record says.
    recipientBox_->setReadOnly(true);
    subjectLabel_->setBuddy(subjectBox_);
    label47->setBuddy(recipientBox_);
    clockLabel_ = new QLabel(this);
    clockLabel_->setObjectName(QStringLiteral("Label3"));
    clockLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    body_ = mailBox(QStringLiteral("RichTextBox1"), this);
    openedCopy_ = mailBox(QStringLiteral("RichTextBox2"), this);
    openedCopy_->setReadOnly(true);
    openedCopy_->setMaximumHeight(80);
    body_->setAccessibleName(QStringLiteral("本文"));
    openedCopy_->setAccessibleName(QStringLiteral("開いたテキスト"));

    auto* heads = new QGridLayout;
    heads->addWidget(subjectLabel_, 0, 0);
    heads->addWidget(subjectBox_, 0, 1);
    heads->addWidget(clockLabel_, 0, 2);
    heads->addWidget(label47, 1, 0);
    heads->addWidget(recipientBox_, 1, 1, 1, 2);
    noticeMissing_ = new QLabel(kNoticeMissing, this);
    noticeMissing_->setObjectName(QStringLiteral("senderNoticeMissing"));
    noticeMissing_->setWordWrap(true);
    noticeMissing_->setStyleSheet(QStringLiteral("color: red"));
    noticeMissing_->hide();
    auto* right = new QVBoxLayout;
    right->addWidget(noticeMissing_);
    right->addLayout(heads);
    right->addWidget(body_, 1);
    right->addWidget(openedCopy_);

    auto* columns = new QHBoxLayout;
    columns->addWidget(frame1, 1);
    columns->addLayout(right, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buildProgressRow());
}

QWidget* SendPanel::buildProgressRow()
{
    progressRow_ = new QWidget(this);
    progressLabel_ = new QLabel(progressRow_);
    progressLabel_->setObjectName(QStringLiteral("sendProgressText"));
    progressBar_ = new QProgressBar(progressRow_);
    progressBar_->setObjectName(QStringLiteral("sendProgress"));
    progressBar_->setAccessibleName(QStringLiteral("送信の進み具合"));
    cancelButton_ = namedButton(QStringLiteral("CommandCancel"), QStringLiteral("中止"), progressRow_);
    cancelButton_->setToolTip(QStringLiteral("送信中のメールの後で止めます。残りは送信リストに残ります"));
    auto* row = new QHBoxLayout(progressRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(progressLabel_, 2);
    row->addWidget(progressBar_, 1);
    row->addWidget(cancelButton_);
    // Keeps its room while idle so nothing moves under the operator's mouse.
    QSizePolicy keep = progressRow_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    progressRow_->setSizePolicy(keep);
    progressRow_->hide();
    return progressRow_;
}
