#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Registry;

// What finding and starting the system-information tool needs of the operating system; tests
// give a fake.
class SystemTools {
public:
    virtual ~SystemTools() = default;
    // The registry where the system has one, else null.
    virtual Registry *registry() = 0;
    virtual bool fileExists(const QString &path) const = 0;
    // The full path of `program` on the PATH, or empty.
    virtual QString findExecutable(const QString &program) const = 0;
    // Starts a program directly, never through a shell, without waiting for it.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};

// The operating system itself.
class OperatingSystemTools final : public SystemTools {
public:
    OperatingSystemTools();
    ~OperatingSystemTools() override;
    Registry *registry() override;
    bool fileExists(const QString &path) const override;
    QString findExecutable(const QString &program) const override;
    bool startDetached(const QString &program, const QStringList &arguments) override;

private:
    std::unique_ptr<Registry> m_registry;
};

struct SystemInfoProgram {
    QString program;
    QStringList arguments;
};

// The system-information program. Where the registry exists: the path under "PATH" of
// SOFTWARE\Microsoft\Shared Tools\MSINFO as it stands, else the folder under "MSINFO" of
// SOFTWARE\Microsoft\Shared Tools Location with \MSINFO32.EXE when that file exists. Elsewhere:
// the first of a short list of such programs found on the PATH. None: nothing.
std::optional<SystemInfoProgram> findSystemInfoProgram(SystemTools &tools);

// Whether to offer the tool at all: always where the registry exists (it is looked up when
// asked for), elsewhere when one is found on the PATH.
bool systemInfoOffered(SystemTools &tools);
