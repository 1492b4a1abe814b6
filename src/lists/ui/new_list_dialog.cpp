// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/new_list_dialog.h"

#include "lists/list_file.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

constexpr int kNameLimit = 8;

// Separators, NUL and control characters cannot stand in a file name here;
// the rest of the set cannot stand in one on Windows, where lists travel.
bool isForbidden(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c);
}

} // namespace

NewListDialog::NewListDialog(const ProgramDir& programDir, OperatorPrompts& prompts,
                             std::function<bool()> mayLeaveList, QWidget* parent)
    : QDialog(parent), programDir_(programDir), prompts_(prompts), mayLeaveList_(std::move(mayLeaveList))
{
    setObjectName(QStringLiteral("frmNewList"));
    setWindowTitle(QStringLiteral("新規リスト名設定"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("新しいリスト名(&P):"), this);
    label->setObjectName(QStringLiteral("lblLabels(1)"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("txtNewList"));
    // A validator rather than a maximum length: typing stops at eight
    // characters, while a longer text set from elsewhere still reaches OK.
    name_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^.{0,%1}$").arg(kNameLimit)), name_));
    label->setBuddy(name_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &NewListDialog::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(ok, 1, 0);
    grid->addWidget(cancel, 1, 1);
}

void NewListDialog::okClicked()
{
    const QString name = name_->text();
    if (name.size() > kNameLimit) {
        prompts_.warn(messageTitle(QStringLiteral("　入力文字数制限違反　")),
                      QStringLiteral("新しいリスト名は半角英字8文字までです。"));
        name_->setFocus();
        name_->setCursorPosition(0);
        name_->setSelection(0, int(name.size()));
        return;
    }
    if (name.isEmpty()) {
        refuse(QStringLiteral("　入力エラー　"), QStringLiteral("新しいリスト名を入力してください。"));
        return;
    }
    if (std::ranges::any_of(name, isForbidden)) {
        refuse(QStringLiteral("　入力エラー　"),
               QStringLiteral("リスト名に次の文字は使えません。\n/ \\ : * ? \" < > | と制御文字"));
        return;
    }
    // 「..」 would make the hidden file 「...lst」, which no list dialog shows.
    if (std::ranges::all_of(name, [](QChar c) { return c == u'.'; })) {
        refuse(QStringLiteral("　入力エラー　"), QStringLiteral("リスト名を「.」だけにすることはできません。"));
        return;
    }
    const QString path = programDir_.file(name + QStringLiteral(".lst"));
    if (QFileInfo::exists(path)) {
        refuse(QStringLiteral("　リスト作成エラー　"),
               QStringLiteral("リスト %1 は既にあります。\n既存のリストは「既存リスト読込(&R)」で開いてください。")
                   .arg(path));
        return;
    }
    if (!mayLeaveList_())
        return;
    if (auto created = CreateListFile(path); !created) {
        refuse(QStringLiteral("　リスト作成エラー　"), created.error().message);
        return;
    }
    hide();
    emit listCreated(path);
}

void NewListDialog::refuse(const QString& heading, const QString& text)
{
    prompts_.warn(messageTitle(heading), text);
    name_->setFocus();
}
