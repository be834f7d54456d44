#include "pagekit/UserDialogs.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace {

// Icons and type names from what a directory listing already knows (the name
// and whether it is a folder). Qt's own provider reads a file's first bytes to
// guess its type, and a read of a FIFO or of some files under /proc never
// returns: the listing thread hangs, and the dialogue with it when it closes.
class NameOnlyIconProvider : public QAbstractFileIconProvider
{
public:
    using QAbstractFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override
    {
        return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir()) {
            return QStringLiteral("Folder");
        }
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File")
                                : suffix.toUpper() + QStringLiteral(" File");
    }
};

QString& currentFile()
{
    static QString name;
    return name;
}

QSettings settings()
{
    return QSettings(QSettings::UserScope, QStringLiteral("facetra"), QStringLiteral("facetra"));
}

const QString lastFolderKey = QStringLiteral("dialogs/lastFolder");

QString askFileName(QWidget* parent, const QString& caption, const QString& dir,
    const QString& filter, QFileDialog::FileMode mode)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(parent, caption, UserDialogs::startPath(dir), filter);
    // Qt's own dialogue, so that the listing goes through the provider above.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(
        mode == QFileDialog::AnyFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    // What getExistingDirectory() asks: folders only.
    dialog.setOption(QFileDialog::ShowDirsOnly, mode == QFileDialog::Directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString name = dialog.selectedFiles().constFirst();
    UserDialogs::rememberChoice(name);
    return name;
}

} // namespace

void UserDialogs::setCurrentFile(const QString& name)
{
    currentFile() = name;
}

QString UserDialogs::startPath(const QString& suggested)
{
    QString folder;
    const QFileInfo current(currentFile());
    if (!currentFile().isEmpty() && current.absoluteDir().exists()) {
        folder = current.absolutePath();
    } else if (const QString last = settings().value(lastFolderKey).toString();
               !last.isEmpty() && QFileInfo(last).isDir()) {
        folder = last;
    } else {
        folder = QDir::homePath();
    }
    // Start paths written for Windows ("\Data", "Data/Heightmaps/") name folders
    // of the working directory, which is rarely where the user's files are: they
    // give way to the folder above. A plain relative name is suggested in it.
    QString path = suggested;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!suggested.startsWith(QLatin1Char('\\')) && QDir::isAbsolutePath(path)) {
        return path;
    }
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('/'))) {
        return folder;
    }
    return QDir(folder).filePath(path.section(QLatin1Char('/'), -1));
}

void UserDialogs::rememberChoice(const QString& name)
{
    if (!name.isEmpty()) {
        const QFileInfo chosen(name);
        settings().setValue(
            lastFolderKey, chosen.isDir() ? chosen.absoluteFilePath() : chosen.absolutePath());
    }
}

QString UserDialogs::askOpenFileName(
    QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return askFileName(parent, caption, dir, filter, QFileDialog::ExistingFile);
}

QString UserDialogs::askSaveFileName(
    QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return askFileName(parent, caption, dir, filter, QFileDialog::AnyFile);
}

QColor UserDialogs::askColour(const QColor& initial, QWidget* parent)
{
    return QColorDialog::getColor(initial, parent);
}

void UserDialogs::showWarning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

bool UserDialogs::askConfirmation(QWidget* parent, const QString& title, const QString& question)
{
    return QMessageBox::question(
               parent, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

UserDialogs::SaveAnswer UserDialogs::askSaveChanges(
    QWidget* parent, const QString& title, const QString& question)
{
    const auto button = QMessageBox::question(parent, title, question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (button == QMessageBox::Save)
        return SaveAnswer::Save;
    return button == QMessageBox::Discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
}

bool UserDialogs::askStopRunning(QWidget* parent, const QString& title, const QString& question)
{
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Cancel, parent);
    QPushButton* stop = box.addButton(QStringLiteral("Stop"), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == stop;
}

QString UserDialogs::askFolder(QWidget* parent, const QString& caption, const QString& dir)
{
    return askFileName(parent, caption, dir, QString(), QFileDialog::Directory);
}
