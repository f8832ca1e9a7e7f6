#pragma once
// The program's icon (a receipt printer with a printed logo), in all its sizes.
#include <QIcon>

QIcon AppIcon();
