// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/ui/smtp_settings_dialog.h"

#include "common/ui/named.h"
#include "smtp/mail_transport.h"
#include "smtp/oauth.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QFutureWatcher>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

SmtpSettingsDialog::SmtpSettingsDialog(QString programDir, std::function<QString()> server, OperatorPrompts& prompts,
                                       MailTransport& transport, OpenBrowser browser, QWidget* parent)
    : QDialog(parent), programDir_(std::move(programDir)), server_(std::move(server)), prompts_(prompts),
      transport_(transport)
{
    setWindowTitle(QStringLiteral("SMTP詳細設定"));
    port_ = named<QLineEdit>(QStringLiteral("smtpPort"), this);
    port_->setPlaceholderText(QStringLiteral("空欄: SMTPサーバー欄のポート、なければ 25"));
    security_ = new QComboBox(this);
    security_->setObjectName(QStringLiteral("smtpSecurity"));
    security_->addItem(QStringLiteral("なし（暗号化しない）"), int(SmtpSecurity::None));
    security_->addItem(QStringLiteral("STARTTLS（通常 587番）"), int(SmtpSecurity::StartTls));
    security_->addItem(QStringLiteral("TLS（通常 465番）"), int(SmtpSecurity::Tls));
    auth_ = new QComboBox(this);
    auth_->setObjectName(QStringLiteral("smtpAuth"));
    auth_->addItem(QStringLiteral("パスワード"), int(SmtpAuth::Password));
    auth_->addItem(QStringLiteral("OAuth 2.0（Microsoft 365 / Google）"), int(SmtpAuth::OAuth2));
    oauth_ = new OAuthLoginBox(std::move(browser), this);
    oauth_->setSettingsSource([this] { return typed(); });
    user_ = named<QLineEdit>(QStringLiteral("smtpUser"), this);
    password_ = named<QLineEdit>(QStringLiteral("smtpPassword"), this);
    password_->setEchoMode(QLineEdit::Password);
    fromName_ = named<QLineEdit>(QStringLiteral("smtpFromName"), this);
    pause_ = named<QLineEdit>(QStringLiteral("smtpPause"), this);
    caFile_ = named<QLineEdit>(QStringLiteral("smtpCaFile"), this);
    caFile_->setPlaceholderText(QStringLiteral("社内サーバーの証明書（PEM）。空欄: システムの証明書のみ"));
    passwordInFile_ = new QCheckBox(QStringLiteral("自動送信用にパスワードをこのコンピューターのファイルに保存"), this);
    passwordInFile_->setObjectName(QStringLiteral("smtpPasswordInFile"));
    secretHint_ = new QLabel(this);
    secretHint_->setObjectName(QStringLiteral("smtpSecretHint"));
    secretHint_->setWordWrap(true);

    auto* form = new QFormLayout;
    form_ = form;
    form->addRow(QStringLiteral("ポート"), port_);
    form->addRow(QStringLiteral("暗号化"), security_);
    form->addRow(QStringLiteral("ログイン方式"), auth_);
    form->addRow(QStringLiteral("ユーザー名"), user_);
    form->addRow(QStringLiteral("パスワード"), password_);
    form->addRow(oauth_);
    form->addRow(QString(), passwordInFile_);
    form->addRow(QString(), secretHint_);
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
    saveButton_ = buttons->button(QDialogButtonBox::Save);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(testButton_, 0, Qt::AlignLeft);
    layout->addWidget(answers_);
    layout->addWidget(buttons);
    connect(testButton_, &QPushButton::clicked, this, &SmtpSettingsDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &SmtpSettingsDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(passwordInFile_, &QCheckBox::toggled, this, &SmtpSettingsDialog::showSecretHint);
    connect(auth_, &QComboBox::currentIndexChanged, this, &SmtpSettingsDialog::showLoginKind);
    connect(oauth_, &OAuthLoginBox::signedIn, this, [this](const QString& token) { loaded_.oauthRefreshToken = token; });

    const auto stored = readSmtpFile(programDir_);
    if (!stored)
        answers_->setPlainText(stored.error().message);
    showSettings(stored.value_or(SmtpSettings{}));
    if (stored && !stored->user.isEmpty() && stored->password.isEmpty())
        fetchStoredPassword(*stored);
}

// The secret store may take seconds to answer: the dialog stays usable meanwhile,
// and what the operator typed by then wins.
void SmtpSettingsDialog::fetchStoredPassword(const SmtpSettings& stored)
{
    password_->setPlaceholderText(QStringLiteral("パスワード保管場所から読み込み中…"));
    askLoginPassword(stored, this, [this](const Result<SmtpSettings>& login) {
        password_->setPlaceholderText(QString());
        if (login && login->oauth() && loaded_.oauthRefreshToken.isEmpty()) {
            loaded_.oauthRefreshToken = login->oauthRefreshToken;
            oauth_->showSignedIn(true);
        } else if (login && !password_->isModified()) {
            password_->setText(login->password);
        }
    });
}

void SmtpSettingsDialog::showLoginKind()
{
    const bool oauth = SmtpAuth(auth_->currentData().toInt()) == SmtpAuth::OAuth2;
    form_->setRowVisible(password_, !oauth);
    form_->setRowVisible(oauth_, oauth);
    user_->setPlaceholderText(oauth ? QStringLiteral("メールボックスのアドレス") : QString());
}

void SmtpSettingsDialog::showSecretHint()
{
    secretHint_->setText(
        passwordInFile_->isChecked()
            ? QStringLiteral("パスワードは smtp.ini（このユーザーだけが読めるファイル）に保存します。")
            : QStringLiteral("パスワードはデスクトップのパスワード保管場所に保存します（使えないときは smtp.ini）。"
                             "ログインしていない間や保管場所がロックされている間は、自動送信がパスワードを読めず送信しません。"));
}

void SmtpSettingsDialog::showSettings(const SmtpSettings& s)
{
    loaded_ = s;
    port_->setText(s.port ? QString::number(*s.port) : QString());
    security_->setCurrentIndex(security_->findData(int(s.security)));
    user_->setText(s.user);
    password_->setText(s.password);
    fromName_->setText(s.fromName);
    pause_->setText(QLocale::c().toString(s.pauseSeconds, 'g', 10));
    caFile_->setText(s.caFile);
    auth_->setCurrentIndex(auth_->findData(int(s.auth)));
    oauth_->showSettings(s);
    showLoginKind();
    passwordInFile_->setChecked(!s.secret().isEmpty());
    showSecretHint();
}

SmtpSettings SmtpSettingsDialog::typed() const
{
    SmtpSettings s = loaded_; // keeps the keys the dialog does not show
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
    s.auth = SmtpAuth(auth_->currentData().toInt());
    oauth_->apply(s);
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
    const auto saved = [this](const Result<void>& written) {
        saveButton_->setEnabled(true);
        if (!written) {
            prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")),
                          QStringLiteral("SMTP詳細設定を保存できませんでした（以前の設定はそのままです）\r\n")
                              + written.error().message);
            return;
        }
        accept();
    };
    saveButton_->setEnabled(false);
    if (passwordInFile_->isChecked())
        saved(writeSmtpSettings(programDir_, typed()));
    else
        storeSmtpSettings(programDir_, typed(), this, saved);
}

void SmtpSettingsDialog::testConnection()
{
    testButton_->setEnabled(false);
    answers_->setPlainText(QStringLiteral("接続しています…"));
    // A closed dialog takes its watcher along; the answer then goes nowhere.
    auto* watcher = new QFutureWatcher<Result<QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        const Result<QString> outcome = watcher->result();
        testButton_->setEnabled(true);
        answers_->setPlainText(outcome ? QStringLiteral("接続できました。\n") + *outcome
                                       : QStringLiteral("接続できません。\n") + outcome.error().message);
    });
    watcher->setFuture(QtConcurrent::run([&transport = transport_, server = server_(), settings = typed()]() mutable
                                             -> Result<QString> {
        if (settings.oauth()) {
            const auto token = refreshAccessToken(settings);
            if (!token)
                return std::unexpected(token.error());
            settings.accessToken = token->token;
        }
        return transport.testConnection(server, settings);
    }));
}
