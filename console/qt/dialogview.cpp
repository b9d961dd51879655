// The desktop window's drawing of a platform dialog. Each child window of the dialog (a sheet's pages
// and their controls among them) becomes one Qt widget at its place; the widget is only a picture of the
// control's state and a way for a person's input to reach the control through tvinput.h. The platform's
// rectangles are in pixels of the template's font as the platform measures it (MS Shell Dlg 8 is 6 by 13
// pixels a character); the view scales them to the font it really draws with, so texts fit.
#include "dialogview.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include "commctrl.h"
#include "images.h"
#include "prsht.h"

#undef PropertySheet // the function's name; tvp::Kind::PropertySheet is meant here

namespace Desktop {

namespace {

QString FromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// A static's text as it reads: "&Name" shows "Name", "&&" one ampersand.
QString WithoutMnemonics(const std::wstring& text) {
    QString shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue;
        shown += QChar(static_cast<char16_t>(text[i]));
    }
    return shown;
}

tvp::WindowState StateOf(HWND window) {
    tvp::WindowState state;
    tvp::GetWindowState(window, state);
    return state;
}

bool IsFrame(DWORD style) {
    DWORD type = style & SS_TYPEMASK;
    return (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) || type == SS_ETCHEDHORZ ||
           type == SS_ETCHEDVERT || type == SS_ETCHEDFRAME;
}

QDateTime DateTimeOf(const SYSTEMTIME& time) {
    return QDateTime(QDate(time.wYear, time.wMonth, time.wDay),
                     QTime(time.wHour, time.wMinute, time.wSecond));
}

} // namespace

CDialogView::CDialogView(HWND dialog, QWidget* owner) : QWidget(owner, Qt::Dialog), m_dialog(dialog) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    ComputeScale();
    Sync();
}

void CDialogView::ComputeScale() {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_dialog, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    double points = 8;
    if (font && GetObjectW(font, sizeof(description), &description) && description.lfHeight)
        points = std::abs(description.lfHeight) * 72.0 / 96.0;
    // The platform's base units for the template's font (its own measure of MS Shell Dlg).
    double platformX = std::max(1L, std::lround(6.0 * points / 8.0));
    double platformY = std::max(1L, std::lround(13.0 * points / 8.0));
    QFont real = FontOf(font);
    setFont(real);
    QFontMetricsF metrics(real);
    double realX = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
    double realY = metrics.height();
    m_scaleX = std::max(1.0, realX / platformX);
    m_scaleY = std::max(1.0, realY / platformY);
}

QRect CDialogView::Scaled(const RECT& r) const {
    int left = static_cast<int>(std::lround(r.left * m_scaleX));
    int top = static_cast<int>(std::lround(r.top * m_scaleY));
    int right = static_cast<int>(std::lround(r.right * m_scaleX));
    int bottom = static_cast<int>(std::lround(r.bottom * m_scaleY));
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

void CDialogView::SyncSoon() {
    if (m_syncQueued) return;
    m_syncQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_syncQueued = false;
        Sync();
    });
}

void CDialogView::Sync() {
    if (m_syncing || !IsWindow(m_dialog)) return;
    m_syncing = true;
    tvp::WindowState root = StateOf(m_dialog);
    setWindowTitle(WithoutMnemonics(root.text));
    QRect size = Scaled(root.rect);
    if (size.size() != this->size()) setFixedSize(size.size());

    std::map<HWND, Entry> seen;
    SyncChildren(m_dialog, this, seen);
    for (auto& [window, entry] : m_entries)
        if (!seen.count(window)) {
            entry.widget->hide();
            entry.widget->deleteLater();
        }
    m_entries = std::move(seen);

    // The sheet's own parts around its pages: tabs, a wizard's header band and exterior area.
    m_header = m_exterior = m_pageFrame = QRect();
    HWND page = root.kind == tvp::Kind::PropertySheet ? PropSheet_GetCurrentPageHwnd(m_dialog) : nullptr;
    QRect pageRect = page ? Scaled(StateOf(page).rect) : QRect();
    if (root.kind == tvp::Kind::PropertySheet && !root.wizard) {
        if (!m_tabs) {
            m_tabs = new QTabBar(this);
            m_tabs->setDrawBase(false);
            m_tabs->setExpanding(false);
            connect(m_tabs, &QTabBar::tabBarClicked, this, [this](int index) {
                if (m_syncing || index < 0) return;
                // A page that refuses to be left keeps the sheet where it is.
                PropSheet_SetCurSel(m_dialog, nullptr, index);
                Input(true);
            });
        }
        while (m_tabs->count() > static_cast<int>(root.items.size()))
            m_tabs->removeTab(m_tabs->count() - 1);
        for (size_t i = 0; i < root.items.size(); ++i) {
            QString title = WithoutMnemonics(root.items[i].text);
            if (static_cast<int>(i) < m_tabs->count())
                m_tabs->setTabText(static_cast<int>(i), title);
            else
                m_tabs->addTab(title);
        }
        m_tabs->setCurrentIndex(root.selection);
        RECT units{0, 0, 4, 14};
        MapDialogRect(m_dialog, &units);
        QRect gap = Scaled(units);
        m_pageFrame = pageRect.adjusted(-gap.width(), 0, gap.width(), gap.width());
        int tabsHeight = std::max(gap.height(), m_tabs->sizeHint().height());
        m_tabs->setGeometry(m_pageFrame.left() + 2, pageRect.top() - tabsHeight, m_pageFrame.width() - 4,
                            tabsHeight);
        m_tabs->show();
        m_tabs->raise();
    }
    if (root.wizard) {
        auto visible = [&](int id) {
            HWND item = GetDlgItem(m_dialog, id);
            return item && (StateOf(item).visible);
        };
        if (visible(TV_IDC_SHEET_HEADERTITLE) && pageRect.top() > 0)
            m_header = QRect(0, 0, width(), pageRect.top());
        if (visible(TV_IDC_SHEET_WATERMARK)) m_exterior = QRect(0, 0, width(), pageRect.bottom() + 1);
    }
    m_syncing = false;
    update();
}

void CDialogView::SyncChildren(HWND parent, QWidget* parentWidget, std::map<HWND, Entry>& seen) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        tvp::WindowState state = StateOf(child);
        if (!state.window) continue;
        auto found = m_entries.find(child);
        Entry entry;
        if (found != m_entries.end() && found->second.kind == state.kind &&
            (found->second.style & 0xFFFF) == (state.style & 0xFFFF)) {
            entry = found->second;
            m_entries.erase(found);
        } else {
            if (found != m_entries.end()) {
                found->second.widget->hide();
                found->second.widget->deleteLater();
                m_entries.erase(found);
            }
            entry.kind = state.kind;
            entry.style = state.style;
            entry.widget = Make(state, parentWidget);
        }
        Update(entry, state);
        seen[child] = entry;
        if (state.kind == tvp::Kind::Dialog || state.kind == tvp::Kind::Window)
            SyncChildren(child, entry.widget, seen);
    }
}

QWidget* CDialogView::Make(const tvp::WindowState& state, QWidget* parent) {
    HWND hwnd = state.window;
    QWidget* widget = nullptr;
    switch (state.kind) {
    case tvp::Kind::Static:
        if (IsFrame(state.style)) {
            auto* frame = new QFrame(parent);
            DWORD type = state.style & SS_TYPEMASK;
            frame->setFrameShape(type == SS_ETCHEDHORZ   ? QFrame::HLine
                                 : type == SS_ETCHEDVERT ? QFrame::VLine
                                                         : QFrame::Box);
            frame->setFrameShadow(QFrame::Sunken);
            widget = frame;
        } else {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            DWORD type = state.style & SS_TYPEMASK;
            label->setWordWrap(type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE);
            Qt::Alignment align = type == SS_CENTER  ? Qt::AlignHCenter
                                  : type == SS_RIGHT ? Qt::AlignRight
                                                     : Qt::AlignLeft;
            label->setAlignment(align | ((state.style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop));
            if (state.id == TV_IDC_SHEET_HEADERTITLE) {
                QFont bold = font();
                bold.setBold(true);
                label->setFont(bold);
            }
            widget = label;
        }
        break;
    case tvp::Kind::Icon:
    case tvp::Kind::Picture: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case tvp::Kind::Edit:
        if (state.style & ES_MULTILINE) {
            auto* edit = new QPlainTextEdit(parent);
            edit->setReadOnly(state.style & ES_READONLY);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, hwnd, edit] {
                if (!m_syncing) Input(tvp::TypeText(hwnd, edit->toPlainText().toStdWString()));
            });
            widget = edit;
        } else {
            auto* edit = new QLineEdit(parent);
            if (state.style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
            edit->setReadOnly(state.style & ES_READONLY);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, hwnd](const QString& text) { Input(tvp::TypeText(hwnd, text.toStdWString())); });
            widget = edit;
        }
        break;
    case tvp::Kind::PushButton: {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, hwnd] { Input(tvp::Click(hwnd)); });
        widget = button;
        break;
    }
    case tvp::Kind::CheckBox: {
        auto* box = new QCheckBox(parent);
        box->setTristate((state.style & BS_TYPEMASK) == BS_3STATE ||
                         (state.style & BS_TYPEMASK) == BS_AUTO3STATE);
        connect(box, &QCheckBox::clicked, this, [this, hwnd] { Input(tvp::Click(hwnd)); });
        widget = box;
        break;
    }
    case tvp::Kind::RadioButton: {
        auto* radio = new QRadioButton(parent);
        radio->setAutoExclusive(false); // the dialog decides which radio button is on
        connect(radio, &QRadioButton::clicked, this, [this, hwnd] { Input(tvp::Click(hwnd)); });
        widget = radio;
        break;
    }
    case tvp::Kind::GroupBox:
        widget = new QGroupBox(parent);
        widget->lower(); // behind the controls it frames
        break;
    case tvp::Kind::ComboBox: {
        auto* combo = new QComboBox(parent);
        DWORD type = state.style & 3;
        combo->setEditable(type != CBS_DROPDOWNLIST);
        connect(combo, &QComboBox::activated, this,
                [this, hwnd](int index) { Input(tvp::ChooseItem(hwnd, index)); });
        if (combo->lineEdit())
            connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                    [this, hwnd](const QString& text) { Input(tvp::TypeText(hwnd, text.toStdWString())); });
        widget = combo;
        break;
    }
    case tvp::Kind::ListView: {
        auto* list = new QTreeWidget(parent);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode((state.style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                             : QAbstractItemView::ExtendedSelection);
        list->setHeaderHidden((state.style & LVS_TYPEMASK) != LVS_REPORT ||
                              (state.style & LVS_NOCOLUMNHEADER));
        list->header()->setSectionsClickable(false);
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, hwnd, list] {
            if (m_syncing) return;
            std::vector<int> picked;
            for (QTreeWidgetItem* item : list->selectedItems())
                picked.push_back(list->indexOfTopLevelItem(item));
            std::sort(picked.begin(), picked.end());
            if (list->selectionMode() == QAbstractItemView::SingleSelection && picked.size() == 1)
                Input(tvp::ChooseItem(hwnd, picked[0]));
            else
                Input(tvp::PickItems(hwnd, picked));
        });
        widget = list;
        break;
    }
    case tvp::Kind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        widget = bar;
        break;
    }
    case tvp::Kind::DateTimePicker: {
        auto* picker = new QDateTimeEdit(parent);
        bool time = (state.style & DTS_TIMEFORMAT) == DTS_TIMEFORMAT;
        picker->setDisplayFormat(time ? "HH:mm:ss" : QLocale().dateFormat(QLocale::ShortFormat));
        picker->setCalendarPopup(!time);
        connect(picker, &QDateTimeEdit::dateTimeChanged, this, [this, hwnd](const QDateTime& value) {
            if (m_syncing) return;
            SYSTEMTIME chosen{};
            chosen.wYear = static_cast<WORD>(value.date().year());
            chosen.wMonth = static_cast<WORD>(value.date().month());
            chosen.wDay = static_cast<WORD>(value.date().day());
            chosen.wDayOfWeek = static_cast<WORD>(value.date().dayOfWeek() % 7);
            chosen.wHour = static_cast<WORD>(value.time().hour());
            chosen.wMinute = static_cast<WORD>(value.time().minute());
            chosen.wSecond = static_cast<WORD>(value.time().second());
            Input(tvp::SetTime(hwnd, chosen));
        });
        widget = picker;
        break;
    }
    case tvp::Kind::Dialog:
    case tvp::Kind::Window:
    case tvp::Kind::PropertySheet:
        widget = new QWidget(parent);
        break;
    }
    if (state.font) widget->setFont(FontOf(state.font));
    if (state.id == TV_IDC_SHEET_HEADERTITLE) {
        QFont bold = widget->font();
        bold.setBold(true);
        widget->setFont(bold);
    }
    return widget;
}

void CDialogView::Update(Entry& entry, const tvp::WindowState& state) {
    QWidget* widget = entry.widget;
    QRect place = Scaled(state.rect);
    if (state.kind == tvp::Kind::ComboBox) // the template's height includes the dropped-down list
        place.setHeight(std::min(place.height(), widget->sizeHint().height()));
    if (widget->geometry() != place) widget->setGeometry(place);
    widget->setEnabled(state.enabled);
    QString text = FromWide(state.text);
    switch (state.kind) {
    case tvp::Kind::Static:
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText((state.style & SS_NOPREFIX) ? text : WithoutMnemonics(state.text));
        break;
    case tvp::Kind::Icon:
    case tvp::Kind::Picture: {
        auto* label = static_cast<QLabel*>(widget);
        QImage image = state.kind == tvp::Kind::Icon ? ImageOf(state.icon) : ImageOf(state.bitmap);
        if (!image.isNull() && state.kind == tvp::Kind::Picture)
            image = image.scaled(place.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        label->setPixmap(QPixmap::fromImage(image));
        break;
    }
    case tvp::Kind::Edit:
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            // A password edit keeps what the person typed: the platform shows only its mask characters.
            bool password = edit->echoMode() == QLineEdit::Password;
            if ((!password || state.text.empty()) && edit->text() != text) edit->setText(text);
            edit->setReadOnly(state.style & ES_READONLY);
        } else if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
            if (multi->toPlainText() != text) multi->setPlainText(text);
        }
        break;
    case tvp::Kind::PushButton:
    case tvp::Kind::GroupBox:
        if (auto* button = qobject_cast<QPushButton*>(widget)) button->setText(text);
        if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(text);
        break;
    case tvp::Kind::CheckBox: {
        auto* box = static_cast<QCheckBox*>(widget);
        box->setText(text);
        box->setCheckState(state.checked == BST_CHECKED         ? Qt::Checked
                           : state.checked == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                : Qt::Unchecked);
        break;
    }
    case tvp::Kind::RadioButton: {
        auto* radio = static_cast<QRadioButton*>(widget);
        radio->setText(text);
        radio->setChecked(state.checked == BST_CHECKED);
        break;
    }
    case tvp::Kind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        bool same = combo->count() == static_cast<int>(state.items.size());
        for (int i = 0; same && i < combo->count(); ++i)
            same = combo->itemText(i) == FromWide(state.items[i].text);
        if (!same) {
            combo->clear();
            for (const tvp::ListItem& item : state.items)
                combo->addItem(FromWide(item.text));
        }
        combo->setCurrentIndex(state.selection);
        if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
        break;
    }
    case tvp::Kind::ListView: {
        auto* list = static_cast<QTreeWidget*>(widget);
        int columns = std::max<int>(1, static_cast<int>(state.columns.size()));
        QStringList titles;
        for (const std::wstring& column : state.columns)
            titles << FromWide(column);
        if (list->columnCount() != columns) list->setColumnCount(columns);
        if (!titles.isEmpty()) list->setHeaderLabels(titles);
        bool same = list->topLevelItemCount() == static_cast<int>(state.items.size());
        for (int i = 0; same && i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = list->topLevelItem(i);
            same = row->text(0) == FromWide(state.items[i].text);
            for (size_t c = 0;
                 same && c < state.items[i].cells.size() && c + 1 < static_cast<size_t>(columns); ++c)
                same = row->text(static_cast<int>(c + 1)) == FromWide(state.items[i].cells[c]);
        }
        if (!same) {
            list->clear();
            for (const tvp::ListItem& item : state.items) {
                auto* row = new QTreeWidgetItem(list);
                row->setText(0, FromWide(item.text));
                for (size_t c = 0; c < item.cells.size() && c + 1 < static_cast<size_t>(columns); ++c)
                    row->setText(static_cast<int>(c + 1), FromWide(item.cells[c]));
            }
            for (int c = 0; c + 1 < columns; ++c)
                list->resizeColumnToContents(c);
        }
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setSelected(state.items[i].selected);
        break;
    }
    case tvp::Kind::ProgressBar: {
        auto* bar = static_cast<QProgressBar*>(widget);
        bar->setRange(state.low, std::max(state.low, state.high));
        bar->setValue(state.position);
        break;
    }
    case tvp::Kind::DateTimePicker: {
        auto* picker = static_cast<QDateTimeEdit*>(widget);
        if (state.timeValid) picker->setDateTime(DateTimeOf(state.time));
        break;
    }
    default:
        break;
    }
    widget->setVisible(state.visible);
}

void CDialogView::Input(bool handled) {
    // Whatever the control made of the input, the view shows the control as it now is.
    (void)handled;
    Sync();
}

QWidget* CDialogView::ControlWidget(int id) const {
    HWND page = PropSheet_GetCurrentPageHwnd(m_dialog);
    HWND control = page ? GetDlgItem(page, id) : nullptr;
    if (!control) control = GetDlgItem(m_dialog, id);
    auto found = m_entries.find(control);
    return found == m_entries.end() ? nullptr : found->second.widget;
}

void CDialogView::PressButton(int id) {
    HWND page = PropSheet_GetCurrentPageHwnd(m_dialog);
    HWND button = page ? GetDlgItem(page, id) : nullptr;
    if (!button) button = GetDlgItem(m_dialog, id);
    if (button && IsWindowVisible(button) && IsWindowEnabled(button)) Input(tvp::Click(button));
}

void CDialogView::closeEvent(QCloseEvent* event) {
    // The dialog decides whether it closes: the close box is its Cancel.
    event->ignore();
    HWND cancel = GetDlgItem(m_dialog, IDCANCEL);
    if (cancel)
        PressButton(IDCANCEL);
    else
        PostMessageW(m_dialog, WM_CLOSE, 0, 0);
}

void CDialogView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        PressButton(IDCANCEL);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The default push button: a wizard's Next (or Finish), a sheet's OK, a dialog's default.
        HWND page = PropSheet_GetCurrentPageHwnd(m_dialog);
        for (HWND parent : {page, m_dialog}) {
            if (!parent) continue;
            for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                tvp::WindowState state = StateOf(child);
                if (state.kind == tvp::Kind::PushButton && (state.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
                    IsWindowVisible(child) && IsWindowEnabled(child)) {
                    Input(tvp::Click(child));
                    return;
                }
            }
        }
        PressButton(IDOK);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDialogView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!m_exterior.isNull()) painter.fillRect(m_exterior, Qt::white);
    if (!m_header.isNull()) {
        painter.fillRect(m_header, Qt::white);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(m_header.bottomLeft(), m_header.bottomRight());
    }
    if (!m_pageFrame.isNull()) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(m_pageFrame.adjusted(0, 0, -1, -1));
    }
    QWidget::paintEvent(event);
}

} // namespace Desktop
