// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sign_in.h"

#include "common/program_dir.h"
#include "smtp/oauth.h"
#include "smtp/smtp_settings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

namespace {

int refuse(const QString& why)
{
    QTextStream(stderr) << QStringLiteral("サインインできません: %1").arg(why) << Qt::endl;
    return 2;
}

void openInBrowser(const QUrl& url)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    QTextStream(stdout) << QStringLiteral("ブラウザーでこのアドレスを開いてサインインしてください:\n%1").arg(address)
                        << Qt::endl;
    const QString browser = qEnvironmentVariable("BROWSER").section(u':', 0, 0);
    QProcess::startDetached(browser.isEmpty() ? QStringLiteral("xdg-open") : browser, {address});
}

} // namespace

int signIn(int argc, char** argv, const CommandLine& line)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ladderpost"));
    const auto dir = prepareProgramDir(line.home);
    if (!dir)
        return refuse(dir.error().message);
    auto settings = readSmtpFile(dir->root());
    if (!settings)
        return refuse(settings.error().message);
    if (!settings->oauth() || settings->user.isEmpty() || settings->oauthClientId.isEmpty())
        return refuse(QStringLiteral("smtp.ini に auth=oauth2、user と oauth_client_id がありません。"));

    OAuthSignIn flow(*settings);
    int status = 2;
    QObject::connect(&flow, &OAuthSignIn::openBrowser, &openInBrowser);
    QObject::connect(&flow, &OAuthSignIn::failed, &app, [&](const QString& why) {
        status = refuse(why);
        app.quit();
    });
    QObject::connect(&flow, &OAuthSignIn::signedIn, &app, [&](const QString& token) {
        keepSecret(dir->root(), token, &app, [&](const Result<void>& kept) {
            status = kept ? 0 : refuse(kept.error().message);
            if (kept)
                QTextStream(stdout) << QStringLiteral("サインインしました（%1）。").arg(settings->user) << Qt::endl;
            app.quit();
        });
    });
    QTimer::singleShot(0, &flow, &OAuthSignIn::start); // a failure at once still finds the loop running
    app.exec();
    return status;
}
