// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/ui/oauth_login_box.h"

#include "smtp/oauth.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* namedEdit(const QString& name, const QString& hint, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(hint);
    return edit;
}

} // namespace

OAuthLoginBox::OAuthLoginBox(OpenBrowser browser, QWidget* parent) : QWidget(parent), browser_(std::move(browser))
{
    provider_ = new QComboBox(this);
    provider_->setObjectName(QStringLiteral("oauthProvider"));
    provider_->addItem(QStringLiteral("Microsoft 365（smtp.office365.com:587）"), QStringLiteral("microsoft"));
    provider_->addItem(QStringLiteral("Google（smtp.gmail.com:587）"), QStringLiteral("google"));
    provider_->addItem(QStringLiteral("その他（URL を指定）"), QStringLiteral("custom"));
    clientId_ = namedEdit(QStringLiteral("oauthClientId"), QStringLiteral("プロバイダーに登録したアプリのクライアント ID"), this);
    clientSecret_ = namedEdit(QStringLiteral("oauthClientSecret"), QStringLiteral("Google: クライアント シークレット。Microsoft: 空欄"), this);
    clientSecret_->setEchoMode(QLineEdit::Password);
    tenant_ = namedEdit(QStringLiteral("oauthTenant"), QStringLiteral("Microsoft のテナント。空欄: common"), this);
    authorizeUrl_ = namedEdit(QStringLiteral("oauthAuthorizeUrl"), QStringLiteral("空欄: プロバイダーの既定"), this);
    tokenUrl_ = namedEdit(QStringLiteral("oauthTokenUrl"), QStringLiteral("空欄: プロバイダーの既定"), this);
    scope_ = namedEdit(QStringLiteral("oauthScope"), QStringLiteral("空欄: プロバイダーの既定"), this);
    signInButton_ = new QPushButton(QStringLiteral("サインイン"), this);
    signInButton_->setObjectName(QStringLiteral("oauthSignIn"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("oauthCancel"));
    cancelButton_->hide();
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("oauthState"));
    state_->setWordWrap(true);
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("プロバイダー"), provider_);
    form->addRow(QStringLiteral("クライアント ID"), clientId_);
    form->addRow(QStringLiteral("クライアント シークレット"), clientSecret_);
    form->addRow(QStringLiteral("テナント"), tenant_);
    form->addRow(QStringLiteral("認可 URL"), authorizeUrl_);
    form->addRow(QStringLiteral("トークン URL"), tokenUrl_);
    form->addRow(QStringLiteral("スコープ"), scope_);
    auto* row = new QHBoxLayout;
    row->addWidget(signInButton_);
    row->addWidget(cancelButton_);
    row->addWidget(state_, 1);
    form->addRow(QString(), row);
    connect(signInButton_, &QPushButton::clicked, this, &OAuthLoginBox::signIn);
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        if (running_)
            running_->cancel();
    });
}

void OAuthLoginBox::showSettings(const SmtpSettings& s)
{
    const int provider = provider_->findData(s.oauthProvider.isEmpty() ? QStringLiteral("microsoft") : s.oauthProvider);
    provider_->setCurrentIndex(provider < 0 ? 0 : provider);
    clientId_->setText(s.oauthClientId);
    clientSecret_->setText(s.oauthClientSecret);
    tenant_->setText(s.oauthTenant);
    authorizeUrl_->setText(s.oauthAuthorizeUrl);
    tokenUrl_->setText(s.oauthTokenUrl);
    scope_->setText(s.oauthScope);
    showSignedIn(!s.oauthRefreshToken.isEmpty());
}

void OAuthLoginBox::apply(SmtpSettings& s) const
{
    s.oauthProvider = provider_->currentData().toString();
    s.oauthClientId = clientId_->text().trimmed();
    s.oauthClientSecret = clientSecret_->text().trimmed();
    s.oauthTenant = tenant_->text().trimmed();
    s.oauthAuthorizeUrl = authorizeUrl_->text().trimmed();
    s.oauthTokenUrl = tokenUrl_->text().trimmed();
    s.oauthScope = scope_->text().trimmed();
}

void OAuthLoginBox::showSignedIn(bool signedIn)
{
    state_->setText(signedIn ? QStringLiteral("サインイン済み") : QStringLiteral("未サインイン"));
}

void OAuthLoginBox::signIn()
{
    const SmtpSettings settings = typed_();
    if (settings.user.isEmpty() || settings.oauthClientId.isEmpty()) {
        state_->setText(QStringLiteral("ユーザー名（メールアドレス）とクライアント ID を入れてください。"));
        return;
    }
    running_ = new OAuthSignIn(settings, this);
    const auto finish = [this] {
        signInButton_->setEnabled(true);
        cancelButton_->hide();
        running_->deleteLater();
    };
    connect(running_, &OAuthSignIn::openBrowser, this, [this](const QUrl& url) {
        state_->setText(QStringLiteral("ブラウザーでサインインしてください（5分以内）。開かないときはこのアドレスを開いてください:\n")
                        + url.toString(QUrl::FullyEncoded));
        browser_(url);
    });
    connect(running_, &OAuthSignIn::signedIn, this, [this, finish](const QString& token) {
        finish();
        state_->setText(QStringLiteral("サインインしました。"));
        emit signedIn(token);
    });
    connect(running_, &OAuthSignIn::failed, this, [this, finish](const QString& why) {
        finish();
        state_->setText(QStringLiteral("サインインできませんでした: ") + why);
    });
    signInButton_->setEnabled(false);
    cancelButton_->show();
    running_->start();
}
