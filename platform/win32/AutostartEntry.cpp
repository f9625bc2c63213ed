#include "platform/AutostartEntry.h"
#include "platform/win32/WhileHeld.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

// One line on standard error, whatever the path holds; returns it.
QString Report(QString message) {
    message.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "Odovex: %s\n", qUtf8Printable(message));
    return message;
}

QString ErrorText(HRESULT result) {
    return qt_error_string(int(result));
}

// The user's Start-up folder (FOLDERID_Startup: location 2), empty when there is none.
QString StartupFolder() {
    PWSTR folder = nullptr;
    QString path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &folder))) {
        path = QString::fromWCharArray(folder);
    }
    CoTaskMemFree(folder);
    return path;
}

// COM for the calling thread, for as long as the object lives; Qt's thread already has it.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

template <typename T> void Release(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// A shell link "<title>.lnk" in the user's Start-up folder: Windows starts it at the user's
// log-on. It starts the running Odovex.exe in the directory of `path` (AppPath), where the
// statistics file lies.
class ShellLinkAutostartEntry : public AutostartEntry {
public:
    QString create() override {
        const QString folder = StartupFolder();
        if (folder.isEmpty()) {
            return Report(QStringLiteral("no Start-up folder; the shortcut is not made"));
        }
        const std::wstring target = QDir::toNativeSeparators(program).toStdWString();
        const std::wstring directory =
            QDir::toNativeSeparators(QFileInfo(path).absolutePath()).toStdWString();
        const std::wstring file = linkFile(folder).toStdWString();

        ComScope com;
        IShellLinkW* link = nullptr;
        IPersistFile* persist = nullptr;
        HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IShellLinkW, reinterpret_cast<void**>(&link));
        if (SUCCEEDED(result)) {
            result = link->SetPath(target.c_str());
        }
        if (SUCCEEDED(result)) {
            result = link->SetWorkingDirectory(directory.c_str());
        }
        if (SUCCEEDED(result)) {
            result = link->SetDescription(L"Odovex");
        }
        if (SUCCEEDED(result)) {
            result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
        }
        if (SUCCEEDED(result)) {
            RetriedWhileHeld([&] {
                result = persist->Save(file.c_str(), TRUE);
                SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                                        : ERROR_SUCCESS);
                return SUCCEEDED(result);
            });
        }
        Release(persist);
        Release(link);
        if (FAILED(result)) {
            return Report(QStringLiteral("cannot make the shortcut %1: %2")
                              .arg(QString::fromStdWString(file), ErrorText(result)));
        }
        return {};
    }

    // A shortcut that is not there is already removed.
    void remove() override {
        const QString folder = StartupFolder();
        if (folder.isEmpty()) {
            return;
        }
        const std::wstring file = linkFile(folder).toStdWString();
        if (!RetriedWhileHeld([&] { return DeleteFileW(file.c_str()) != FALSE; }) &&
            GetLastError() != ERROR_FILE_NOT_FOUND) {
            Report(QStringLiteral("cannot remove the shortcut %1: %2")
                       .arg(QString::fromStdWString(file), qt_error_string(int(GetLastError()))));
        }
    }

private:
    QString linkFile(const QString& folder) const {
        return QDir::toNativeSeparators(folder + u'/' + title + QStringLiteral(".lnk"));
    }
};

} // namespace

std::unique_ptr<AutostartEntry> CreateAutostartEntry() {
    auto entry = std::make_unique<ShellLinkAutostartEntry>();
    entry->program = QCoreApplication::applicationFilePath();
    return entry;
}
