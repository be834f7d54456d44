#pragma once

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

// The modal questions a window puts to the user. Each one is a replaceable
// function so that tests and scripted runs can answer without a modal dialogue
// blocking the event loop; by default they are the dialogues below.
//
// The default file dialogues never read a file to list it (special files such
// as those under /proc or a FIFO would block the listing for good), and they
// start where the user is: in the folder of the current mesh, else the folder
// last chosen in any of them (kept between runs), else the home folder. A
// relative start path is a name suggested in that folder.
struct UserDialogs
{
    // (parent, caption, start folder or name, filter) -> chosen name, empty when cancelled.
    using FileQuestion
        = std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    // (initial colour, parent) -> chosen colour, the invalid colour when cancelled.
    using ColourQuestion = std::function<QColor(const QColor&, QWidget*)>;
    // (parent, title, text): a message the user acknowledges.
    using Notice = std::function<void(QWidget*, const QString&, const QString&)>;
    // (parent, title, question) -> true when the user agrees.
    using Confirmation = std::function<bool(QWidget*, const QString&, const QString&)>;
    // What to do with changes that are not in any file yet.
    enum class SaveAnswer { Save, Discard, Cancel };
    // (parent, title, question) -> the button chosen; closing the box cancels.
    using SaveQuestion = std::function<SaveAnswer(QWidget*, const QString&, const QString&)>;
    // (parent, caption, start folder) -> chosen folder, empty when cancelled.
    using FolderQuestion = std::function<QString(QWidget*, const QString&, const QString&)>;

    FileQuestion openFileName = &askOpenFileName;
    FileQuestion saveFileName = &askSaveFileName;
    ColourQuestion colour = &askColour;
    Notice warning = &showWarning;
    Confirmation confirm = &askConfirmation;
    // "Save changes to NAME?": Save, Discard, Cancel.
    SaveQuestion saveChanges = &askSaveChanges;
    // "NAME is running: stop it and close?": true for Stop, false for Cancel.
    Confirmation stopRunning = &askStopRunning;
    // A folder that exists (the start folder as startPath() makes it).
    FolderQuestion folder = &askFolder;

    // The mesh now shown came from or went to this file (empty: none); the file
    // dialogues of every page start in its folder.
    static void setCurrentFile(const QString& name);
    // Where a file dialogue asked with `suggested` opens (see above).
    static QString startPath(const QString& suggested);
    // The folder of a name the user chose (or the folder chosen), kept for the
    // next dialogue and run.
    static void rememberChoice(const QString& name);

    static QString askOpenFileName(
        QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    static QString askSaveFileName(
        QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    static QColor askColour(const QColor& initial, QWidget* parent);
    static void showWarning(QWidget* parent, const QString& title, const QString& text);
    static bool askConfirmation(QWidget* parent, const QString& title, const QString& question);
    static SaveAnswer askSaveChanges(
        QWidget* parent, const QString& title, const QString& question);
    static bool askStopRunning(QWidget* parent, const QString& title, const QString& question);
    static QString askFolder(QWidget* parent, const QString& caption, const QString& dir);
};
