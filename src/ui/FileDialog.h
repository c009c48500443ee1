#pragma once
#include <QFileDialog>

// The program's file dialogs: Qt's own rather than the desktop's, so that their words follow the
// program's Chinese and the files' sizes and modification dates are written in the program's locale,
// not the desktop's ("2026/12/10 14:05", never "10 Dec 2026").
class FileDialog : public QFileDialog
{
    Q_OBJECT
public:
    // `place` is a folder, or a file whose folder opens with the file chosen.
    FileDialog(QWidget *parent, const QString &caption, const QString &place, const QString &filter);
};
