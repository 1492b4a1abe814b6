// SPDX-License-Identifier: GPL-3.0-or-later
// The sending tab's controls and where they stand.
#include "delivery/ui/send_panel.h"

#include "common/ui/named.h"
#include "delivery/sender_notice.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/mailbox_box.h"
#include "delivery/ui/send_queue_model.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

void SendPanel::buildLayout()
{
    auto* frame1 = new QGroupBox(QStringLiteral("送信者リスト"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    queue_ = new SendQueueModel(this);
    sendList_ = new QListView(frame1);
    sendList_->setObjectName(QStringLiteral("List1"));
    sendList_->setModel(queue_);
    sendList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sendList_->setAccessibleName(QStringLiteral("送信者リスト"));
    searchButton_ = named<QPushButton>(QStringLiteral("Command1"), QStringLiteral("検　索"), frame1);
    targetButton_ = named<QPushButton>(QStringLiteral("Command3"), QStringLiteral("ターゲット送信"), frame1);
    scrambleButton_ = named<QPushButton>(QStringLiteral("Command18"), QStringLiteral("スクランブル送信"), frame1);
    clearButton_ = named<QPushButton>(QStringLiteral("Command19"), QStringLiteral("リストクリア"), frame1);
    resendButton_ = named<QPushButton>(QStringLiteral("CommandResend"), QStringLiteral("残りを送信"), frame1);
    resendButton_->setToolTip(QStringLiteral("送信リストに残っているステップメールを送信します"));
    testSendButton_ = named<QPushButton>(QStringLiteral("CommandTestSend"), QStringLiteral("テスト送信"), frame1);
    testSendButton_->setToolTip(QStringLiteral("選んだ行のメールを送信者自身のアドレスに送ります（送信ログには残りません）"));
    previewButton_ = named<QPushButton>(QStringLiteral("CommandPreview"), QStringLiteral("プレビュー"), frame1);
    previewButton_->setToolTip(QStringLiteral("選んだ行のゲストに届くメールを表示します"));
    targetButton_->setEnabled(false);
    scrambleButton_->setEnabled(false);
    scrambleButton_->hide();
    auto* frameLayout = new QVBoxLayout(frame1);
    frameLayout->addWidget(sendList_, 1);
    for (QPushButton* button : {clearButton_, scrambleButton_, targetButton_, resendButton_, previewButton_,
                                testSendButton_, searchButton_})
        frameLayout->addWidget(button);
    mailbox_ = new MailboxBox(dir_.root(), clock_, prompts_, this);
    auto* left = new QVBoxLayout;
    left->addWidget(frame1, 3);
    left->addWidget(mailbox_, 2);

    noticeMissing_ = new QLabel(kNoticeMissing, this);
    noticeMissing_->setObjectName(QStringLiteral("senderNoticeMissing"));
    noticeMissing_->setWordWrap(true);
    noticeMissing_->setStyleSheet(QStringLiteral("color: red"));
    noticeMissing_->hide();
    auto* right = new QVBoxLayout;
    right->addWidget(noticeMissing_);
    textPane_ = new MailTextPane(dir_, prompts_, dialogs_, this);
    right->addWidget(textPane_, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
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
    cancelButton_ = named<QPushButton>(QStringLiteral("CommandCancel"), QStringLiteral("中止"), progressRow_);
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
