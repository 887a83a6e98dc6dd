#include "shell/qt/Application.h"

#include "BuiltinResources.h"
#include "platform/Process.h"
#include "shell/AppDelegate.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/AllErrorViewController.h"
#include "shell/qt/CheckFontViewController.h"
#include "shell/qt/CheckNowViewController.h"
#include "shell/qt/ClearCacheViewController.h"
#include "shell/qt/CreateNewViewController.h"
#include "shell/qt/CreateUserViewController.h"
#include "shell/qt/ErrorViewController.h"
#include "shell/qt/FontListViewController.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/NotFoundViewController.h"
#include "shell/qt/ParamToolViewController.h"
#include "shell/qt/ReadMeViewController.h"
#include "shell/qt/SomeErrorPlusViewController.h"
#include "shell/qt/SomeErrorViewController.h"
#include "shell/qt/SuccessPlusViewController.h"
#include "shell/qt/SuccessViewController.h"
#include "shell/qt/TargetEditViewController.h"
#include "shell/qt/UpdateListViewController.h"
#include "shell/qt/UpdateNowViewController.h"
#include "shell/qt/UserUpdateViewController.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QTranslator>

namespace fu::qt {

std::unique_ptr<ViewController> WizardViewControllerFactory::makeViewController(int64_t viewNo) {
    switch (viewNo) {
    case ReadMeView: return std::make_unique<ReadMeViewController>();
    case CheckFontView: return std::make_unique<CheckFontViewController>();
    case CheckNowView: return std::make_unique<CheckNowViewController>();
    case UpdateListView: return std::make_unique<UpdateListViewController>();
    case UpdateNowView: return std::make_unique<UpdateNowViewController>();
    case SuccessView: return std::make_unique<SuccessViewController>();
    case SuccessPlusView: return std::make_unique<SuccessPlusViewController>();
    case NotFoundView: return std::make_unique<NotFoundViewController>();
    case SomeErrorView: return std::make_unique<SomeErrorViewController>();
    case SomeErrorPlusView: return std::make_unique<SomeErrorPlusViewController>();
    case AllErrorView: return std::make_unique<AllErrorViewController>();
    case ErrorView: return std::make_unique<ErrorViewController>();
    case ParamToolView: return std::make_unique<ParamToolViewController>();
    case TargetEditView: return std::make_unique<TargetEditViewController>();
    case ClearCacheView: return std::make_unique<ClearCacheViewController>();
    case CreateNewView: return std::make_unique<CreateNewViewController>();
    case FontListView: return std::make_unique<FontListViewController>();
    case UserUpdateView: return std::make_unique<UserUpdateViewController>();
    case CreateUserView: return std::make_unique<CreateUserViewController>();
    default: return nullptr;
    }
}

bool handOverToRunningInstance(const QString& serverName, const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(1000)) return false;
    socket.write(path.toUtf8() + '\n');
    socket.flush();
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool installJapaneseTranslations() {
    // Lives as long as the application: an installed translator must not go away.
    static QTranslator* qtbase = nullptr;
    if (qtbase) return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get())) {
        return false;
    }
    qtbase = translator.release();
    return true;
}

int runApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("fontupdater");
    QApplication::setDesktopFileName("fontupdater");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    (void)installJapaneseTranslations();

    QString launchFile;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        if (!argument.startsWith('-')) {
            launchFile = QFileInfo(argument).absoluteFilePath();
            break;
        }
    }

    // One wizard per user: a second launch with a file gives it to the first and ends.
    const QString serverName = QString("fontupdater-%1").arg(platform::currentUserId());
    if (handOverToRunningInstance(serverName, launchFile)) return 0;
    QLocalServer::removeServer(serverName); // left over from an instance that crashed
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    (void)server.listen(serverName);

    MainWindow window;
    AppDelegate delegate(&window, std::make_unique<WizardViewControllerFactory>());
    // exit(), not quit(): Qt 6's quit() first asks every window to close, and the wizard's
    // window refuses its close button.
    QObject::connect(
        &window, &MainWindow::terminateRequested, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    QObject::connect(&app, &QApplication::aboutToQuit, &app,
                     [&delegate] { delegate.applicationWillTerminate(); });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app,
                     [&delegate](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) delegate.applicationDidBecomeActive();
                     });
    QObject::connect(&server, &QLocalServer::newConnection, &app, [&server, &delegate, &window] {
        while (QLocalSocket* client = server.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(
                client, &QLocalSocket::readyRead, client, [client, &delegate, &window] {
                    while (client->canReadLine()) {
                        const QString path = QString::fromUtf8(client->readLine()).trimmed();
                        if (!path.isEmpty()) (void)delegate.applicationOpenFile(path.toStdString());
                        window.bringToFront();
                    }
                });
        }
    });

    if (!launchFile.isEmpty()) delegate.rounchOpenFilePath = launchFile.toStdString();
    registerBuiltinResources();
    delegate.applicationDidFinishLaunching();
    // A launch file that named nothing leaves the window empty, but there to quit from.
    if (!window.isVisible()) window.bringToFront();
    return QApplication::exec();
}

} // namespace fu::qt
