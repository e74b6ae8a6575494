#include "shell/desktop/email.h"

#include <QProcess>
#include <QStringList>

namespace stakor {

bool SendEmail(
    const QString& name, const QString& address, const QString& subject, const QString& body, const QString& attachment)
{
    (void)name;
    QStringList arguments{QStringLiteral("--subject"), subject, QStringLiteral("--body"), body};
    if (!attachment.isEmpty())
        arguments << QStringLiteral("--attach") << attachment;
    arguments << address;
    // Detached: the mail program may stay open long after the dialog is gone,
    // and the window thread never waits for it. Arguments go to the program as
    // they are, through no shell.
    return QProcess::startDetached(QStringLiteral("xdg-email"), arguments);
}

} // namespace stakor
