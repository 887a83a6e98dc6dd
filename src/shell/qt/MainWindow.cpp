#include "shell/qt/MainWindow.h"

#include "shell/AppDelegate.h"
#include "shell/qt/QtViewController.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace fu::qt {
namespace {

constexpr auto kOpenPanelMessage = "アップデート定義ファイル（拡張子'.fupdef'）を選択してください";

void withDelegate(void (AppDelegate::*action)()) {
    if (AppDelegate* delegate = AppDelegate::appDelegate()) (delegate->*action)();
}

} // namespace

MainWindow::MainWindow() : content_(new QWidget(this)) {
    content_->setObjectName("contentView");
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(content_);
    buildMenus();
}

void MainWindow::buildMenus() {
    QMenu* app = menuBar()->addMenu("フォントアップデータ");
    QAction* quit = app->addAction("フォントアップデータを終了");
    quit->setObjectName("actionQuit");
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, [] { withDelegate(&AppDelegate::terminate); });

    QMenu* file = menuBar()->addMenu("ファイル");
    QAction* open = file->addAction("アップデート定義ファイルを開く…");
    open->setObjectName("actionExecuteFupdef");
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &MainWindow::actionExecuteFupdef);

    // The authoring tools: each command only records the tool for Quit and End to return to.
    QMenu* tools = menuBar()->addMenu("ツール");
    const struct {
        const char* name;
        const char* title;
        void (AppDelegate::*action)();
    } commands[] = {
        {"actionParamTool", "パラメータツール", &AppDelegate::startParamTool},
        {"actionEditTarget", "アップデート対象の編集", &AppDelegate::actionEditTarget},
        {"actionFontList", "フォントリスト", &AppDelegate::actionFontList},
        {"actionUserUpdateEdit", "ユーザアップデートの編集", &AppDelegate::actionUserUpdateEdit},
        {"actionClearFontCache", "フォントキャッシュの消去", &AppDelegate::startClearCache},
    };
    for (const auto& command : commands) {
        QAction* action = tools->addAction(command.title);
        action->setObjectName(command.name);
        connect(action, &QAction::triggered, this, [act = command.action] { withDelegate(act); });
    }
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void MainWindow::setContentViewAnimation(ViewController* controller) {
    // Views belong to their controllers: taken out, not deleted.
    for (QWidget* child : content_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        content_->layout()->removeWidget(child);
        child->hide();
        child->setParent(nullptr);
    }
    auto* screen = dynamic_cast<QtViewController*>(controller);
    QWidget* view = screen ? screen->view() : nullptr;
    if (!view) return;
    // The designed size, before the layout stretches the view to the old content's size.
    const QSize viewSize = view->size().expandedTo(view->minimumSize());
    content_->layout()->addWidget(view);
    view->show();
    moveCenterToWindow(viewSize);
}

void MainWindow::moveCenterToWindow(QSize viewSize) {
    if (!viewSize.isValid()) return;
    const QSize newSize(viewSize.width(), viewSize.height() + menuBar()->sizeHint().height());
    // The last screen's minimum must not hold a smaller one open.
    setMinimumSize(0, 0);
    content_->setMinimumSize(viewSize);
    content_->layout()->activate();
    placeFrame(newSize);
    setMinimumSize(newSize);
}

void MainWindow::placeFrame(QSize clientSize) {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    // The decoration is known once the window manager has framed the window; before the first
    // show the title bar is not counted, which puts the window a few pixels low at worst.
    const QWindow* handle = windowHandle();
    const QMargins frame = QMainWindow::isVisible() && handle ? handle->frameMargins() : QMargins();
    const QSize frameSize = clientSize.grownBy(frame);
    const QPoint centre = placed_ ? frameGeometry().center() : available.center();
    int x = centre.x() - frameSize.width() / 2;
    int y = centre.y() - frameSize.height() / 2;
    // Inside the free area; where the window is taller or wider than it, the title bar and the
    // left edge stay reachable.
    x = std::max(std::min(x, available.right() + 1 - frameSize.width()), available.left());
    y = std::max(std::min(y, available.bottom() + 1 - frameSize.height()), available.top());
    resize(clientSize);
    move(x, y); // a top-level's position is its frame's
    placed_ = true;
}

bool MainWindow::isVisible() const { return QMainWindow::isVisible(); }

void MainWindow::bringToFront() {
    // A window that never had a view still comes up in the middle of the screen.
    if (!placed_) placeFrame(size());
    show();
    raise();
    activateWindow();
}

void MainWindow::terminate() {
    terminating_ = true;
    emit terminateRequested();
}

void MainWindow::showNotice(const std::string& message) {
    QMessageBox notice(QMessageBox::Information, windowTitle(), QString::fromStdString(message),
                       QMessageBox::Ok, this);
    notice.setObjectName("notice");
    notice.setWindowModality(Qt::WindowModal);
    notice.button(QMessageBox::Ok)->setText("閉じる");
    notice.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Once the application quits, nothing holds the window back.
    if (terminating_) {
        QMainWindow::closeEvent(event);
        return;
    }
    AppDelegate* delegate = AppDelegate::appDelegate();
    if (!delegate || !delegate->windowShouldClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::actionExecuteFupdef() {
    if (openPanel_ && openPanel_->isVisible()) return;
    delete openPanel_;
    // A panel of our own around Qt's file browser: the message heads it, as on the Mac.
    openPanel_ = new QDialog(this);
    openPanel_->setObjectName("openPanel");
    openPanel_->setWindowTitle("アップデート定義ファイルを開く");
    auto* layout = new QVBoxLayout(openPanel_);
    layout->setContentsMargins(12, 12, 12, 0);
    auto* message = new QLabel(kOpenPanelMessage, openPanel_);
    message->setObjectName("openPanelMessage");
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* browser = new QFileDialog(openPanel_);
    browser->setWindowFlags(Qt::Widget);
    browser->setOption(QFileDialog::DontUseNativeDialog);
    browser->setFileMode(QFileDialog::ExistingFile);
    browser->setDirectory(QDir::homePath());
    browser->setNameFilter("アップデート定義ファイル (*.fupdef)");
    layout->addWidget(browser);
    connect(browser, &QFileDialog::rejected, openPanel_, &QDialog::reject);
    connect(browser, &QFileDialog::fileSelected, openPanel_,
            [panel = openPanel_](const QString& path) {
                panel->accept();
                if (path.isEmpty()) return;
                // The panel leaves the screen before the definition is read and the wizard
                // restarts.
                QTimer::singleShot(1000, QCoreApplication::instance(), [path] {
                    if (AppDelegate* delegate = AppDelegate::appDelegate()) {
                        delegate->executeFupdef(path.toStdString());
                    }
                });
            });
    openPanel_->resize(720, 480);
    openPanel_->open();
}

} // namespace fu::qt
