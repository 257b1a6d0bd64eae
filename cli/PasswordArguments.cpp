#include "cli/PasswordArguments.h"

#include <cstring>

namespace {

// The value of the account option when this argument holds one: "-U V",
// "-UV", "-U=V", "--U V", "--U=V" as Qt's parser reads them. next is set
// when the value is the following argument.
char *accountValue(char *argument, bool &next)
{
    next = std::strcmp(argument, "-U") == 0 || std::strcmp(argument, "--U") == 0;
    if (std::strncmp(argument, "--U=", 4) == 0)
        return argument + 4;
    if (std::strncmp(argument, "-U", 2) == 0 && argument[2] != '\0')
        return argument + 2;
    return nullptr;
}

void maskPassword(char *value)
{
    if (char *percent = std::strchr(value, '%'))
        std::memset(percent + 1, 'X', std::strlen(percent + 1));
}

} // namespace

PasswordArguments::PasswordArguments(int argc, char **argv) : m_argc(argc)
{
    for (int i = 0; i < argc; ++i)
        m_copies.emplace_back(argv[i]);
    for (QByteArray &copy : m_copies)
        m_pointers.push_back(copy.data());
    m_pointers.push_back(nullptr);

    if (argc < 2 || std::strcmp(argv[1], "shutdown") != 0)
        return;
    for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        bool next = false;
        if (char *value = accountValue(argv[i], next))
            maskPassword(value);
        else if (next && i + 1 < argc)
            maskPassword(argv[++i]);
    }
}
