// The main window. It decides nothing: what is selected, which verbs are on, what a menu holds and how a
// list sorts are the console's (console/core); the window draws them and hands every click and key to
// the view, then draws the view again.
#include "mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "images.h"
#include "objects.h"
#include "snapin.h"

namespace Desktop {

namespace {

QString FromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// A menu item's name as a Qt action takes it: the & mnemonics stay, a tab starts the shortcut text.
QString MenuText(const Console::CMenuItem& item) {
    return FromWide(item.name);
}

std::vector<Strip> StripsOf(Console::CImageList* list) {
    std::vector<Strip> strips;
    if (!list) return strips;
    for (const auto& strip : list->Strips())
        strips.push_back({reinterpret_cast<HBITMAP>(strip.small), strip.start, strip.mask});
    return strips;
}

} // namespace

CMainWindow::CMainWindow(Console::CConsole& console) : m_console(console) {
    setWindowTitle("Korvath Console");
    resize(1280, 600);

    m_scope = new QTreeWidget;
    m_scope->setObjectName("scope");
    m_scope->setHeaderHidden(true);
    m_scope->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list = new QTreeWidget;
    m_list->setObjectName("results");
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(true);
    m_message = new QLabel;
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setWordWrap(true);
    m_message->setMargin(16);
    m_message->setTextFormat(Qt::RichText);
    m_message->setAutoFillBackground(true);
    m_custom = new QLabel;
    m_custom->setAlignment(Qt::AlignCenter);
    m_result = new QStackedWidget;
    m_result->addWidget(m_list);
    m_result->addWidget(m_message);
    m_result->addWidget(m_custom);
    auto* splitter = new QSplitter;
    splitter->addWidget(m_scope);
    splitter->addWidget(m_result);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 1050});
    setCentralWidget(splitter);

    // Menus and the verb buttons.
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("E&xit", this, [this] { close(); });
    m_actionMenu = menuBar()->addMenu("&Action");
    m_viewMenu = menuBar()->addMenu("&View");
    connect(m_actionMenu, &QMenu::aboutToShow, this, [this] { FillMenu(m_actionMenu, false); });
    connect(m_viewMenu, &QMenu::aboutToShow, this, [this] { FillMenu(m_viewMenu, true); });
    QMenu* help = menuBar()->addMenu("&Help");
    m_help = help->addAction("&Help Topics", this, [this] { Act([this] { View().ContextHelp(); }); });
    m_help->setShortcut(Qt::Key_F1);
    help->addAction("&About Korvath Console...", this, [this] { About(); });

    QToolBar* verbs = m_toolbar = addToolBar("Standard");
    verbs->setMovable(false);
    verbs->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_refresh = verbs->addAction("Refresh", this, [this] { RunVerb(MMC_VERB_REFRESH); });
    m_refresh->setShortcut(Qt::Key_F5);
    m_delete = verbs->addAction("Delete", this, [this] { RunVerb(MMC_VERB_DELETE); });
    m_delete->setShortcut(Qt::Key_Delete);
    m_properties = verbs->addAction("Properties", this, [this] { RunVerb(MMC_VERB_PROPERTIES); });
    m_properties->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
    m_rename = new QAction("Rename", this);
    m_rename->setShortcut(Qt::Key_F2);
    connect(m_rename, &QAction::triggered, this, [this] { RenameCurrent(); });
    addAction(m_rename);
    for (QAction* action : {m_refresh, m_delete, m_properties})
        action->setShortcutContext(Qt::WindowShortcut);
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), m_list);
    enter->setContext(Qt::WidgetShortcut);
    connect(enter, &QShortcut::activated, this, [this] { DefaultAction(); });

    // The status bar: the snap-in's three parts, the middle one a progress bar when it says so.
    m_statusLeft = new QLabel;
    m_statusMiddle = new QLabel;
    m_statusRight = new QLabel;
    m_progress = new QProgressBar;
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(200);
    m_progress->setTextVisible(false);
    statusBar()->addWidget(m_statusLeft, 1);
    statusBar()->addWidget(m_statusMiddle);
    statusBar()->addWidget(m_progress);
    statusBar()->addPermanentWidget(m_statusRight);

    connect(m_scope, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_updating && item) ScopeClicked(item);
    });
    connect(m_scope, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (m_updating) return;
        HSCOPEITEM scope = item->data(0, Qt::UserRole).value<qulonglong>();
        Act([&] { View().ExpandScopeItem(scope, true); });
    });
    connect(m_scope, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (m_updating) return;
        HSCOPEITEM scope = item->data(0, Qt::UserRole).value<qulonglong>();
        Act([&] { View().ExpandScopeItem(scope, false); });
    });
    connect(m_scope, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = m_scope->itemAt(at)) {
            if (item != m_scope->currentItem())
                m_scope->setCurrentItem(item);
            else if (!View().ScopeItemHasFocus())
                Act([this] { View().SelectRows({}); });
            ShowContextMenu(m_scope->viewport()->mapToGlobal(at), m_scope);
        }
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_updating) RowsPicked();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { DefaultAction(); });
    connect(m_list, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!m_list->itemAt(at)) m_list->clearSelection(); // the menu of the folder the list shows
        RowsPicked();
        ShowContextMenu(m_list->viewport()->mapToGlobal(at), m_list);
    });
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section < 0 || section >= static_cast<int>(m_columns.size())) return;
        int column = m_columns[section];
        bool descending = View().SortColumn() == column && !View().SortDescending();
        Act([&] { View().Sort(column, descending); });
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_updating || column != 0) return;
        std::wstring name = item->text(0).toStdWString();
        Act([&] { View().Rename(name); }); // the snap-in accepts or refuses; the list shows which
    });
    Refresh(true);
}

template <class F> void CMainWindow::Act(F action) {
    action();
    Refresh(true);
}

void CMainWindow::RefreshSoon(bool force) {
    m_forceQueued = m_forceQueued || force;
    if (m_refreshQueued) return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        Refresh(std::exchange(m_forceQueued, false));
    });
}

void CMainWindow::Refresh(bool force) {
    if (m_updating) return;
    m_updating = true;
    // While a modal dialog runs, the console's window is disabled and takes no input.
    // (Its dialogs are windows of their own and stay enabled.)
    bool enabled = !m_console.MainWindow() || IsWindowEnabled(m_console.MainWindow());
    for (QWidget* part : std::initializer_list<QWidget*>{menuBar(), centralWidget(), m_toolbar})
        part->setEnabled(enabled);
    SyncScope(nullptr, m_console.Roots());
    HSCOPEITEM selected = View().SelectedScopeItem();
    auto found = m_scopeItems.find(selected);
    if (found != m_scopeItems.end() && m_scope->currentItem() != found->second)
        m_scope->setCurrentItem(found->second);
    switch (View().ResultPane()) {
    case Console::Pane::List:
        m_result->setCurrentWidget(m_list);
        SyncList(force);
        break;
    case Console::Pane::Message: {
        const Console::CMessage& message = View().Message();
        m_message->setText("<h3>" + FromWide(message.title).toHtmlEscaped() + "</h3><p>" +
                           FromWide(message.body).toHtmlEscaped().replace("\n", "<br>") + "</p>");
        m_result->setCurrentWidget(m_message);
        m_listSignature.clear();
        break;
    }
    case Console::Pane::Custom:
        m_custom->setText(FromWide(View().ViewType()));
        m_result->setCurrentWidget(m_custom);
        m_listSignature.clear();
        break;
    case Console::Pane::None:
        m_list->clear();
        m_result->setCurrentWidget(m_list);
        m_listSignature.clear();
        break;
    }
    SyncVerbs();
    SyncStatus();
    m_updating = false;
}

QIcon CMainWindow::ScopeIcon(HSCOPEITEM item, bool open) {
    const Console::CScopeItem* scope = m_console.Tree().Find(item);
    Console::CSnapin* snapin = m_console.SnapinOf(item);
    if (!scope || !snapin) return {};
    return IconFromStrips(StripsOf(snapin->ScopeImages()), open ? scope->openImage : scope->image, 16);
}

QIcon CMainWindow::RowIcon(const Console::CRow& row) {
    if (row.kind == Console::CRow::Scope) return ScopeIcon(row.scope, false);
    const Console::CResultItem* item = View().List().Item(row.item);
    if (!item) return {};
    return IconFromStrips(StripsOf(View().ResultImages()), item->image, 16);
}

void CMainWindow::SyncScope(QTreeWidgetItem* parent, const std::vector<HSCOPEITEM>& items) {
    // Items gone from the console leave the tree.
    std::vector<QTreeWidgetItem*> shown;
    int count = parent ? parent->childCount() : m_scope->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        shown.push_back(parent ? parent->child(i) : m_scope->topLevelItem(i));
    for (QTreeWidgetItem* item : shown) {
        HSCOPEITEM id = item->data(0, Qt::UserRole).value<qulonglong>();
        if (std::find(items.begin(), items.end(), id) == items.end()) {
            std::function<void(QTreeWidgetItem*)> forget = [&](QTreeWidgetItem* gone) {
                m_scopeItems.erase(gone->data(0, Qt::UserRole).value<qulonglong>());
                for (int c = 0; c < gone->childCount(); ++c)
                    forget(gone->child(c));
            };
            forget(item);
            delete item;
        }
    }
    for (size_t i = 0; i < items.size(); ++i) {
        HSCOPEITEM id = items[i];
        QTreeWidgetItem*& item = m_scopeItems[id];
        if (!item) {
            item = new QTreeWidgetItem;
            item->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(id));
            if (parent)
                parent->insertChild(static_cast<int>(i), item);
            else
                m_scope->insertTopLevelItem(static_cast<int>(i), item);
        }
        bool expanded = View().IsExpanded(id);
        item->setText(0, FromWide(m_console.DisplayName(id)));
        item->setIcon(0, ScopeIcon(id, expanded));
        item->setChildIndicatorPolicy(m_console.HasExpandButton(id) ? QTreeWidgetItem::ShowIndicator
                                                                    : QTreeWidgetItem::DontShowIndicator);
        if (m_console.ExpandedOnce(id)) SyncScope(item, m_console.Children(id));
        if (item->isExpanded() != expanded) item->setExpanded(expanded);
    }
}

void CMainWindow::SyncList(bool force) {
    Console::CView& view = View();
    const Console::CResultList& list = view.List();
    std::vector<int> columns = view.VisibleColumns();
    if (columns.empty()) columns.push_back(0); // a list without columns still shows its names
    // What the rows are: when it is the same, only the selection is drawn again.
    std::wstring signature = std::to_wstring(view.SelectedScopeItem()) + L"|" +
                             std::to_wstring(view.SortColumn()) + (view.SortDescending() ? L"d|" : L"a|");
    for (int column : columns)
        signature += list.Columns().size() > static_cast<size_t>(column)
                         ? list.Columns()[column].title + L"\t"
                         : L"\t";
    int count = list.RowCount();
    for (int i = 0; i < count; ++i) {
        Console::CRow row = list.RowAt(i);
        signature += L"|" + std::to_wstring(row.kind) + L":" + std::to_wstring(row.scope) + L":" +
                     std::to_wstring(row.item) + L":" + std::to_wstring(row.lParam);
    }
    if (force || signature != m_listSignature) {
        m_listSignature = signature;
        m_columns = columns;
        m_list->clear();
        m_list->setColumnCount(static_cast<int>(columns.size()));
        QStringList titles;
        for (int column : columns)
            titles << (static_cast<size_t>(column) < list.Columns().size()
                           ? FromWide(list.Columns()[column].title)
                           : QString());
        m_list->setHeaderLabels(titles);
        m_list->setHeaderHidden(view.VisibleColumns().empty());
        view.PrepareRows(0, count - 1);
        for (int i = 0; i < count && i < list.RowCount(); ++i) {
            Console::CRow row = list.RowAt(i);
            auto* item = new QTreeWidgetItem(m_list);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            for (size_t c = 0; c < columns.size(); ++c)
                item->setText(static_cast<int>(c), FromWide(view.CellText(row, columns[c])));
            item->setIcon(0, RowIcon(row));
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            int width = static_cast<size_t>(columns[c]) < list.Columns().size()
                            ? list.Columns()[columns[c]].width
                            : -1;
            if (width > 0)
                m_list->setColumnWidth(static_cast<int>(c), width);
            else
                m_list->resizeColumnToContents(static_cast<int>(c));
        }
        auto sorted = std::find(columns.begin(), columns.end(), view.SortColumn());
        if (sorted != columns.end())
            m_list->header()->setSortIndicator(static_cast<int>(sorted - columns.begin()),
                                               view.SortDescending() ? Qt::DescendingOrder
                                                                     : Qt::AscendingOrder);
        else
            m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    for (int i = 0; i < m_list->topLevelItemCount() && i < list.RowCount(); ++i)
        m_list->topLevelItem(i)->setSelected((list.RowAt(i).state & LVIS_SELECTED) != 0);
}

void CMainWindow::SyncVerbs() {
    const Console::CVerbState& verbs = View().Verbs();
    m_refresh->setEnabled(verbs.IsAvailable(MMC_VERB_REFRESH));
    m_delete->setEnabled(verbs.IsAvailable(MMC_VERB_DELETE));
    m_properties->setEnabled(verbs.IsAvailable(MMC_VERB_PROPERTIES));
    m_rename->setEnabled(verbs.IsAvailable(MMC_VERB_RENAME));
}

void CMainWindow::SyncStatus() {
    const Console::CStatusBar& status = View().Status();
    m_statusLeft->setText(FromWide(status.left));
    m_statusMiddle->setText(FromWide(status.middle));
    m_statusMiddle->setVisible(status.progress < 0 && !status.middle.empty());
    m_progress->setVisible(status.progress >= 0);
    if (status.progress >= 0) m_progress->setValue(status.progress);
    m_statusRight->setText(FromWide(status.right));
}

void CMainWindow::ScopeClicked(QTreeWidgetItem* item) {
    HSCOPEITEM scope = item->data(0, Qt::UserRole).value<qulonglong>();
    Act([&] {
        if (View().SelectedScopeItem() != scope)
            View().SelectScopeItem(scope);
        else if (!View().ScopeItemHasFocus())
            View().SelectRows({});
    });
}

void CMainWindow::RowsPicked() {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : m_list->selectedItems())
        rows.push_back(m_list->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    std::vector<int> before;
    for (const Console::CRow& row : View().List().SelectedRows())
        before.push_back(row.index);
    if (rows == before && (View().ResultHasFocus() || rows.empty())) return;
    View().SelectRows(rows);
    RefreshSoon(false); // not now: the list is in the middle of its own selection change
}

void CMainWindow::FillMenu(QMenu* menu, bool viewItemsOnly) {
    menu->clear();
    m_menu.reset();
    if (FAILED(View().BuildContextMenu(&m_menu)) || !m_menu) {
        menu->addAction("(no actions)")->setEnabled(false);
        return;
    }
    const Console::CContextMenu* built = m_menu.get();
    // The groups as the console shows them: top items, New, All Tasks, View; submenus under their item.
    QMenu* newMenu = nullptr;
    QMenu* taskMenu = nullptr;
    QMenu* viewMenu = viewItemsOnly ? menu : nullptr;
    std::map<LONG, QMenu*> submenus;
    for (const Console::CMenuItem* item : built->InMenuOrder()) {
        if (item->IsInsertionPoint()) continue;
        QMenu* into = menu;
        if (viewItemsOnly && item->group != Console::CMenuItem::View) continue;
        if (auto sub = submenus.find(item->insertionPoint); item->depth > 0 && sub != submenus.end())
            into = sub->second;
        else if (item->group == Console::CMenuItem::New)
            into = newMenu ? newMenu : (newMenu = menu->addMenu("&New"));
        else if (item->group == Console::CMenuItem::Task)
            into = taskMenu ? taskMenu : (taskMenu = menu->addMenu("All Tas&ks"));
        else if (item->group == Console::CMenuItem::View)
            into = viewMenu ? viewMenu : (viewMenu = menu->addMenu("&View"));
        if (item->flags & MF_SEPARATOR) {
            into->addSeparator();
            continue;
        }
        if (item->IsSubmenu()) {
            submenus[item->commandId] = into->addMenu(MenuText(*item));
            continue;
        }
        QAction* action = into->addAction(MenuText(*item));
        action->setEnabled(item->IsEnabled());
        action->setCheckable((item->flags & MF_CHECKED) != 0);
        action->setChecked((item->flags & MF_CHECKED) != 0);
        action->setStatusTip(FromWide(item->status));
        connect(action, &QAction::triggered, this, [this, item, built] {
            if (m_menu.get() != built) return; // a menu built since then
            std::unique_ptr<Console::CContextMenu> keep = std::move(m_menu);
            Act([&] { View().RunMenuCommand(*keep, *item); });
        });
    }
    if (!viewItemsOnly) {
        menu->addSeparator();
        if (View().Verbs().IsAvailable(MMC_VERB_REFRESH)) menu->addAction(m_refresh);
        if (View().Verbs().IsAvailable(MMC_VERB_DELETE)) menu->addAction(m_delete);
        if (View().Verbs().IsAvailable(MMC_VERB_RENAME)) menu->addAction(m_rename);
        if (View().Verbs().IsAvailable(MMC_VERB_PROPERTIES)) menu->addAction(m_properties);
    }
}

void CMainWindow::ShowContextMenu(const QPoint& at, QWidget* from) {
    QMenu menu(from);
    FillMenu(&menu, false);
    // The status bar shows the hovered item's status text, as the snap-in gave it.
    connect(&menu, &QMenu::hovered, this,
            [this](QAction* action) { statusBar()->showMessage(action->statusTip()); });
    menu.exec(at);
    statusBar()->clearMessage();
}

void CMainWindow::RunVerb(MMC_CONSOLE_VERB verb) {
    if (!View().Verbs().IsAvailable(verb)) return;
    Act([&] { View().InvokeVerb(verb); });
}

void CMainWindow::RenameCurrent() {
    if (!View().Verbs().IsAvailable(MMC_VERB_RENAME)) return;
    QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (View().ResultHasFocus() && selected.size() == 1) m_list->editItem(selected.front(), 0);
}

void CMainWindow::DefaultAction() {
    MMC_CONSOLE_VERB verb = View().Verbs().defaultVerb;
    if (verb != MMC_VERB_NONE && View().Verbs().IsAvailable(verb)) Act([&] { View().InvokeVerb(verb); });
}

void CMainWindow::About() {
    QMessageBox::about(this, "About Korvath Console",
                       "<b>Korvath Console</b><p>Looks after the storage areas on your database server "
                       "instances: their backups, restores, jobs and users.</p>");
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    QApplication::quit();
}

} // namespace Desktop
