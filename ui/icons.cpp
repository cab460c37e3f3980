#include "ui/icons.h"

#include <QLatin1String>

#include <cstring>

namespace {
struct IconFile {
    const char *name;
    const char *file;
};

constexpr IconFile kIcons[] = {
    {"programview", "programview"},
    {"channelview", "channelview"},
    {"new", "new"},
    {"open", "open"},
    {"save", "save"},
    {"run", "start"},
    {"start", "start"},
    {"stop", "stop"},
    {"continous", "continous"},
    {"1up", "1up"},
    {"1down", "1down"},
    {"go", "go"},
    {"view", "channelview"},
};
} // namespace

QString toolbarIconPath(const char *name) {
    for (const IconFile &icon : kIcons) {
        if (std::strcmp(icon.name, name) == 0)
            return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon.file));
    }
    return {};
}

QIcon toolbarIcon(const char *name) {
    const QString path = toolbarIconPath(name);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QIcon applicationIcon() {
    return QIcon(QStringLiteral(":/icons/qmx7700.svg"));
}
