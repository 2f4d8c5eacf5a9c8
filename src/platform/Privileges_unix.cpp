// Dropping capabilities with the kernel's own calls (capset, prctl), so that no library is needed before Qt.
#include "platform/Privileges.h"

#include <QRegularExpression>

#include <linux/capability.h>

#include <cstdlib>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(Privileges::ROOT_KEEPS ==
              ((quint64(1) << CAP_DAC_OVERRIDE) | (quint64(1) << CAP_DAC_READ_SEARCH) | (quint64(1) << CAP_FOWNER)));

namespace {

struct CapabilitySets {
    quint64 effective = 0;
    quint64 permitted = 0;
    quint64 inheritable = 0;
};

CapabilitySets current() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    CapabilitySets sets;
    if (::syscall(SYS_capget, &header, data) != 0)
        return sets;
    for (int i = 0; i < _LINUX_CAPABILITY_U32S_3; ++i) {
        sets.effective |= quint64(data[i].effective) << (32 * i);
        sets.permitted |= quint64(data[i].permitted) << (32 * i);
        sets.inheritable |= quint64(data[i].inheritable) << (32 * i);
    }
    return sets;
}

bool setTo(quint64 kept) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    for (int i = 0; i < _LINUX_CAPABILITY_U32S_3; ++i)
        data[i].effective = data[i].permitted = quint32(kept >> (32 * i));
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

bool Privileges::drop() {
    const bool root = ::getuid() == 0;
    // Only what the process holds can be kept (a container's root may lack some).
    const quint64 kept = root ? ROOT_KEEPS & current().permitted : 0;
    // Nothing comes back across an exec: no ambient capabilities, and a bounding set without the rest. Only a holder
    // of CAP_SETPCAP (root) may shrink the bounding set; for anyone else no_new_privs closes the same door.
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    for (int cap = 0; ::prctl(PR_CAPBSET_READ, cap, 0, 0, 0) >= 0; ++cap)
        if (!(kept & (quint64(1) << cap)))
            ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    bool ok = setTo(kept);
    if (!root) {
        // A set-id start goes back to the user who started it (always allowed without any capability).
        const gid_t group = ::getgid();
        const uid_t user = ::getuid();
        ok = ::setresgid(group, group, group) == 0 && ok;
        ok = ::setresuid(user, user, user) == 0 && ok;
    }
    const CapabilitySets left = current();
    return ok && ((left.effective | left.permitted | left.inheritable) & ~kept) == 0;
}

bool Privileges::startedPrivileged() {
    return ::getauxval(AT_SECURE) != 0;
}

void Privileges::forgetPluginPaths() {
    // clang-format off
    static const char* const paths[] = {
        "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QML_IMPORT_PATH", "QML2_IMPORT_PATH",
        "GST_PLUGIN_PATH", "GST_PLUGIN_PATH_1_0", "GST_PLUGIN_SYSTEM_PATH", "GST_PLUGIN_SYSTEM_PATH_1_0",
        "GST_PLUGIN_SCANNER", "GST_PLUGIN_SCANNER_1_0", "GST_REGISTRY", "GST_REGISTRY_1_0",
        "GTK_PATH", "GTK_MODULES", "GTK3_MODULES", "GIO_EXTRA_MODULES", "GIO_MODULE_DIR",
        "LIBGL_DRIVERS_PATH", "__EGL_VENDOR_LIBRARY_DIRS", "__EGL_VENDOR_LIBRARY_FILENAMES", "LIBVA_DRIVERS_PATH",
        "VDPAU_DRIVER_PATH", "ALSA_CONFIG_PATH", "ALSA_PLUGIN_DIR",
    };
    // clang-format on
    for (const char* name : paths)
        ::unsetenv(name);
}

QString Privileges::grantHint(quint16 port, const QString& programPath) {
    QString path = programPath;
    // Quoted for the shell unless it is plain.
    if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9/._+-]+$")).match(path).hasMatch())
        path = QLatin1Char('\'') + path.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    const QString command = QStringLiteral("setcap cap_net_bind_service=+ep ") + path;
    // The package grants it when it installs the program (postinst); a copy elsewhere has to be granted by hand.
    if (programPath.startsWith(QLatin1String("/usr/")))
        return QStringLiteral("The package grants this program port %1 when it installs it; to grant it again, run "
                              "as root: %2")
            .arg(QString::number(port), command);
    return QStringLiteral("To let this program use port %1, run as root: %2").arg(QString::number(port), command);
}
