#include "platform/systeminfo.h"

#include "platform/registry.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace {
struct KnownProgram {
    const char *name;
    const char *argument; // null: none
};

// Desktop system-information programs, the dedicated ones first. GNOME has none of its own; its
// settings open on the system overview page.
constexpr std::array<KnownProgram, 5> kKnownPrograms{{
    {"hardinfo2", nullptr},
    {"hardinfo", nullptr},
    {"kinfocenter", nullptr},
    {"xfce4-about", nullptr},
    {"gnome-control-center", "info-overview"},
}};

std::optional<SystemInfoProgram> fromRegistry(SystemTools &tools, Registry &registry) {
    QString path;
    if (GetKeyValue(registry, Registry::kLocalMachine,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path))
        return SystemInfoProgram{path, {}};
    QString folder;
    if (GetKeyValue(registry, Registry::kLocalMachine,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), folder)) {
        const QString candidate = folder + QStringLiteral("\\MSINFO32.EXE");
        if (tools.fileExists(candidate))
            return SystemInfoProgram{candidate, {}};
    }
    return std::nullopt;
}

std::optional<SystemInfoProgram> fromPath(const SystemTools &tools) {
    for (const KnownProgram &known : kKnownPrograms) {
        const QString found = tools.findExecutable(QString::fromLatin1(known.name));
        if (found.isEmpty())
            continue;
        QStringList arguments;
        if (known.argument)
            arguments << QString::fromLatin1(known.argument);
        return SystemInfoProgram{found, arguments};
    }
    return std::nullopt;
}
} // namespace

OperatingSystemTools::OperatingSystemTools()
    : m_registry(systemRegistry()) {}

OperatingSystemTools::~OperatingSystemTools() = default;

Registry *OperatingSystemTools::registry() {
    return m_registry.get();
}

bool OperatingSystemTools::fileExists(const QString &path) const {
    return QFileInfo(path).isFile();
}

QString OperatingSystemTools::findExecutable(const QString &program) const {
    return QStandardPaths::findExecutable(program);
}

bool OperatingSystemTools::startDetached(const QString &program, const QStringList &arguments) {
    return QProcess::startDetached(program, arguments);
}

std::optional<SystemInfoProgram> findSystemInfoProgram(SystemTools &tools) {
    if (Registry *registry = tools.registry())
        return fromRegistry(tools, *registry);
    return fromPath(tools);
}

bool systemInfoOffered(SystemTools &tools) {
    return tools.registry() != nullptr || fromPath(tools).has_value();
}
