#pragma once

#include <QString>

// Every file dialog goes through a FileDialog, as every question goes through
// a Prompt. The window shows the platform's standard open or save dialog
// (QtFileDialog in app/); tests answer in advance with ScriptedFileDialog from
// tests/support; the command line never asks, it takes paths from its flags.
enum class FileDialogMode { Open, Save };

struct FileDialogRequest
{
    FileDialogMode mode = FileDialogMode::Open;
    QString title;
    // Description and pattern pairs joined by "|": "Netkestrel File (*.kst)|*.kst".
    // A final "|" may be left out.
    QString filter;
    QString startFolder;
    // Appended to a typed name that has no suffix of its own; empty: the
    // extension of the filter's first pattern, so that the file saved is one
    // the same filter lists again.
    QString defaultExtension = {};

    // "kst" of "Netkestrel File (*.kst)|*.kst"; empty when the first pattern
    // names no single extension ("*", "*.*").
    static QString extensionOf(const QString &filter);
    QString extension() const { return defaultExtension.isEmpty() ? extensionOf(filter) : defaultExtension; }
};

class FileDialog
{
public:
    virtual ~FileDialog() = default;

    // The chosen full path with surrounding blanks trimmed, or an empty text
    // when the user cancels. An open dialog only returns a file that exists; a
    // save dialog has already asked before overwriting an existing file.
    virtual QString choose(const FileDialogRequest &request) = 0;
};
