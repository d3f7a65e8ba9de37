#include "app/gui/HelpOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <iostream>

#include "app/Messages.h"
#include "resources/StringTable.h"

namespace tsrn::app {

QString HelpAnchor(int context) {
    return QStringLiteral("0x") + QString::number(context, 16).toUpper();
}

QString ManualIndexPath() {
    return ManualIndexPath(QCoreApplication::applicationDirPath());
}

QString ManualIndexPath(const QString& programFolder) {
    const QString index = QStringLiteral("index.html");
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TSRN_MANUAL_DIR");
    if (!fromEnvironment.isEmpty())
        candidates << QDir(fromEnvironment).filePath(index);
    const QDir programDir(programFolder);
    candidates << programDir.filePath(QStringLiteral("../share/tessaryn/manual/") + index)
               << programDir.filePath(QStringLiteral("../share/doc/tessaryn/manual/") + index)
               << programDir.filePath(QStringLiteral("manual/") + index)
               << programDir.filePath(QStringLiteral("tsrn.html"))
               << QDir(QStringLiteral(TSRN_SOURCE_MANUAL_DIR)).filePath(index);
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return {};
}

void ShowManual(const QString& index, int context, const std::function<bool(const QUrl&)>& open,
                Prompter& prompter) {
    if (index.isEmpty()) {
        const QDir installed(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../share/tessaryn/manual"));
        ShowMessage(
            prompter, res::str::kHelpMissing,
            text::FormatText<res::str::kHelpMissing>(installed.absolutePath().toStdString()),
            res::str::kCaptionError, Icon::Exclamation);
        return;
    }
    QUrl url = QUrl::fromLocalFile(index);
    url.setFragment(HelpAnchor(context));
    if (!open(url)) {
        ShowMessage(prompter, res::str::kHelpNotOpened,
                    text::FormatText<res::str::kHelpNotOpened>(index.toStdString()),
                    res::str::kCaptionError, Icon::Exclamation);
    }
}

namespace {

// Stands in when no prompter was given.
class StandardErrorPrompter : public Prompter {
  public:
    Answer Ask(const Message& message) override {
        std::cerr << message.text << '\n';
        return message.defaultButton;
    }
};

}  // namespace

void DesktopHelpOpener::ShowHelp(int context) {
    StandardErrorPrompter fallback;
    ShowManual(
        ManualIndexPath(), context, [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        prompter_ != nullptr ? *prompter_ : fallback);
}

}  // namespace tsrn::app
