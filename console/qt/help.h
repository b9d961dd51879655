// The help window: a topic of the console's help folder, with the folder's topics as its contents and
// the topics' links followed inside it.
#pragma once

#include <QString>

class QWidget;

namespace Desktop {

// Shows the topic (an HTML file) in the help window, opening the window the first time.
void ShowHelp(QWidget* owner, const QString& path);

} // namespace Desktop
