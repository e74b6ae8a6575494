#pragma once

#include <QString>

namespace stakor {

// Opens the desktop's mail program with a new message filled in (recipient,
// subject, body and, unless `attachment` is empty, that file attached), where
// the player can add a comment and send or discard it. Goes through
// "xdg-email", started without waiting for it. True when it could be started.
//
// A mail address in a mailto link carries no display name, so `name` does not
// reach the mail program; it is taken to keep the call complete.
bool SendEmail(const QString& name, const QString& address, const QString& subject, const QString& body,
    const QString& attachment);

} // namespace stakor
