#pragma once

#include <QByteArray>

#include <vector>

// Keeps the passwords of "netkestrel-cli shutdown -U user%pass" out of the
// process's own argument memory, which /proc/PID/cmdline shows to every user
// of the machine. The arguments as given live on in a copy, for Qt to parse;
// in the real ones each password byte becomes 'X' ("user%XXXX"), before Qt
// or anything else has run. For a moment after the start the password can
// still be seen: --password-file and PASSWD never show at all.
class PasswordArguments
{
public:
    PasswordArguments(int argc, char **argv);
    PasswordArguments(const PasswordArguments &) = delete;
    PasswordArguments &operator=(const PasswordArguments &) = delete;

    // The copy, as given; both live as long as this object.
    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    int m_argc;
    std::vector<QByteArray> m_copies;
    std::vector<char *> m_pointers;
};
