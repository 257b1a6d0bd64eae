#pragma once

#include <QString>

#include <optional>

// How the sender protects its SMTP connection. With StartTls the plain
// connection is upgraded after the greeting (and fails when the server does
// not offer STARTTLS); with Tls the connection is encrypted from its first
// byte (usually port 465). Certificates are verified against the system's
// trust store, or against a given CA file. With None the login's password
// travels in clear, so it is never the default: settings that name no
// encryption take StartTls.
enum class MailEncryption { None, StartTls, Tls };

constexpr MailEncryption DefaultMailEncryption = MailEncryption::StartTls;

// "none", "starttls", "tls"; parse answers nothing for any other text.
QString encryptionName(MailEncryption encryption);
std::optional<MailEncryption> parseEncryption(const QString &text);
