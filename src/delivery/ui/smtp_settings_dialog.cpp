// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/smtp_settings_dialog.h"

#include "delivery/mail_transport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace {

QLineEdit* namedEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

SmtpSettingsDialog::SmtpSettingsDialog(QString programDir, QString server, OperatorPrompts& prompts, QWidget* parent)
    : QDialog(parent), programDir_(std::move(programDir)), server_(std::move(server)), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("SMTP詳細設定"));
    port_ = namedEdit(QStringLiteral("smtpPort"), this);
    port_->setPlaceholderText(QStringLiteral("空欄: SMTPサーバー欄のポート、なければ 25"));
    security_ = new QComboBox(this);
    security_->setObjectName(QStringLiteral("smtpSecurity"));
    security_->addItem(QStringLiteral("なし（暗号化しない）"), int(SmtpSecurity::None));
    security_->addItem(QStringLiteral("STARTTLS（通常 587番）"), int(SmtpSecurity::StartTls));
    security_->addItem(QStringLiteral("TLS（通常 465番）"), int(SmtpSecurity::Tls));
    user_ = namedEdit(QStringLiteral("smtpUser"), this);
    password_ = namedEdit(QStringLiteral("smtpPassword"), this);
    password_->setEchoMode(QLineEdit::Password);
    fromName_ = namedEdit(QStringLiteral("smtpFromName"), this);
    pause_ = namedEdit(QStringLiteral("smtpPause"), this);
    caFile_ = namedEdit(QStringLiteral("smtpCaFile"), this);
    caFile_->setPlaceholderText(QStringLiteral("社内サーバーの証明書（PEM）。空欄: システムの証明書のみ"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ポート"), port_);
    form->addRow(QStringLiteral("暗号化"), security_);
    form->addRow(QStringLiteral("ユーザー名"), user_);
    form->addRow(QStringLiteral("パスワード"), password_);
    form->addRow(QStringLiteral("差出人名"), fromName_);
    form->addRow(QStringLiteral("送信間隔（秒）"), pause_);
    form->addRow(QStringLiteral("追加の証明書"), caFile_);

    testButton_ = new QPushButton(QStringLiteral("接続テスト"), this);
    testButton_->setObjectName(QStringLiteral("smtpTestButton"));
    answers_ = new QPlainTextEdit(this);
    answers_->setObjectName(QStringLiteral("smtpTestAnswers"));
    answers_->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("smtpSaveButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(testButton_, 0, Qt::AlignLeft);
    layout->addWidget(answers_);
    layout->addWidget(buttons);
    connect(testButton_, &QPushButton::clicked, this, &SmtpSettingsDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &SmtpSettingsDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const auto stored = readSmtpSettings(programDir_);
    if (!stored)
        answers_->setPlainText(stored.error().message);
    showSettings(stored.value_or(SmtpSettings{}));
}

void SmtpSettingsDialog::showSettings(const SmtpSettings& s)
{
    port_->setText(s.port ? QString::number(*s.port) : QString());
    security_->setCurrentIndex(security_->findData(int(s.security)));
    user_->setText(s.user);
    password_->setText(s.password);
    fromName_->setText(s.fromName);
    pause_->setText(QLocale::c().toString(s.pauseSeconds, 'g', 10));
    caFile_->setText(s.caFile);
}

SmtpSettings SmtpSettingsDialog::typed() const
{
    SmtpSettings s;
    bool ok = false;
    const int port = port_->text().trimmed().toInt(&ok);
    s.port = ok ? std::optional<int>(port) : std::nullopt;
    s.security = SmtpSecurity(security_->currentData().toInt());
    s.securityChosen = true;
    s.user = user_->text().trimmed();
    s.password = password_->text();
    s.fromName = fromName_->text().trimmed();
    s.pauseSeconds = QLocale::c().toDouble(pause_->text().trimmed(), &ok);
    if (!ok)
        s.pauseSeconds = SmtpSettings{}.pauseSeconds;
    s.caFile = caFile_->text().trimmed();
    return s;
}

QString SmtpSettingsDialog::typingMistake() const
{
    bool ok = false;
    const QString port = port_->text().trimmed();
    const int number = port.toInt(&ok);
    if (!port.isEmpty() && (!ok || number < 1 || number > 65535))
        return QStringLiteral("ポートは 1 から 65535 の数字か、空欄にしてください。");
    const double pause = QLocale::c().toDouble(pause_->text().trimmed(), &ok);
    if (!ok || pause < 0 || pause > 3600)
        return QStringLiteral("送信間隔は 0 から 3600 までの秒数で入れてください（例: 6.912）。");
    return {};
}

void SmtpSettingsDialog::save()
{
    if (const QString mistake = typingMistake(); !mistake.isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　入力エラー　")), mistake);
        return;
    }
    if (auto written = storeSmtpSettings(programDir_, typed()); !written) {
        prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")),
                      QStringLiteral("SMTP詳細設定を保存できませんでした（以前の設定はそのままです）\r\n")
                          + written.error().message);
        return;
    }
    accept();
}

void SmtpSettingsDialog::testConnection()
{
    testButton_->setEnabled(false);
    answers_->setPlainText(QStringLiteral("接続しています…"));
    auto outcome = std::make_shared<Result<QString>>(QString());
    // The thread outlives a closed dialog; its answer then goes nowhere.
    QThread* thread = QThread::create([outcome, server = server_, settings = typed()] {
        *outcome = CurlMailTransport(std::chrono::seconds(15), std::chrono::seconds(30)).testConnection(server, settings);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, outcome] {
        testButton_->setEnabled(true);
        answers_->setPlainText(*outcome ? QStringLiteral("接続できました。\n") + **outcome
                                        : QStringLiteral("接続できません。\n") + outcome->error().message);
    });
    thread->start();
}
