#include "wizard/procedures/open_failure_text.h"

#include <cstdio>

#include "link/system_error_text.h"
#include "res/page_texts.h"

namespace {

std::string Format(const char* pszFormat, const std::string& strValue) {
    char szText[512];
    std::snprintf(szText, sizeof szText, pszFormat, strValue.c_str());
    return szText;
}

// Which of the refusals for lack of permission it is.
enum class EDenial {
    Unknown,             // the device file could not be looked at
    NotInGroup,          // its group may open it; the user is not in that group
    JoinedAfterLogin,    // the user is in the group, but this login predates it
    OtherUsersTerminal,  // a pseudo-terminal that belongs to someone else
    ModeKeepsOut,        // neither owner nor group bits let this process in
};

EDenial ClassifyDenial(const SDeviceAccess& access) {
    if (!access.bExamined) {
        return EDenial::Unknown;
    }
    const bool bGroupMayOpen = (access.nMode & 060) == 060;
    if (!access.bUserIsOwner && bGroupMayOpen && !access.bProcessHasGroup) {
        return access.bUserListedInGroup ? EDenial::JoinedAfterLogin : EDenial::NotInGroup;
    }
    // A terminal's group (tty) may write to it, never open it for reading.
    if (access.bPseudoTerminal && !access.bUserIsOwner) {
        return EDenial::OtherUsersTerminal;
    }
    return EDenial::ModeKeepsOut;  // owner bits, a group without rights, an ACL
}

std::string DescribeDenial(const SDeviceAccess& access) {
    switch (ClassifyDenial(access)) {
        case EDenial::Unknown:
            break;
        case EDenial::NotInGroup:
            return Format(kPortNotInGroup, access.strGroup);
        case EDenial::JoinedAfterLogin:
            return Format(kPortJoinedAfterLogin, access.strGroup);
        case EDenial::OtherUsersTerminal:
            return Format(kPortOtherUsersTerminal, DescribeDeviceMode(access));
        case EDenial::ModeKeepsOut:
            return Format(kPortModeKeepsOut, DescribeDeviceMode(access));
    }
    return kPortPermissionDenied;
}

}  // namespace

std::string DescribeOpenFailure(const SPortOpenFailure& failure) {
    switch (failure.eKind) {
        case EPortOpenFailure::None:
        case EPortOpenFailure::NoSuchPort:
            return "";
        case EPortOpenFailure::PermissionDenied:
            return DescribeDenial(failure.access);
        case EPortOpenFailure::InUse:
            return failure.strHolder.empty() ? kPortInUse : Format(kPortInUseBy, failure.strHolder);
        case EPortOpenFailure::NotASerialPort:
            return kPortNotSerial;
        case EPortOpenFailure::SystemConsole:
            return kPortSystemConsole;
        case EPortOpenFailure::Other:
            break;
    }
    return failure.nErrno != 0 ? SystemErrorText(failure.nErrno)
                               : std::string(kPortSettingsRefused);
}

std::vector<std::string> OpenFailureAdvice(const SPortOpenFailure& failure) {
    if (failure.eKind != EPortOpenFailure::PermissionDenied) {
        return {};
    }
    const SDeviceAccess& access = failure.access;
    std::vector<std::string> advice;
    switch (ClassifyDenial(access)) {
        case EDenial::NotInGroup:
            advice.push_back(Format(kPortJoinGroup, access.strGroup));
            break;
        case EDenial::JoinedAfterLogin:
            advice.push_back(Format(kPortRenewLogin, access.strGroup));
            break;
        case EDenial::OtherUsersTerminal:
            return {};  // nothing of ours gives access to someone else's terminal
        case EDenial::Unknown:
        case EDenial::ModeKeepsOut:
            break;
    }
    // The packages' udev rule opens USB adapters to the user at the screen
    // without any group; an adapter plugged in before it came, or a login
    // from elsewhere (ssh), still gets the device file's own permissions.
    if (access.bUsbAdapter) {
        advice.push_back(kPortUdevRule);
    }
    return advice;
}

std::string ShortOpenFailure(const SPortOpenFailure& failure) {
    switch (failure.eKind) {
        case EPortOpenFailure::None:
        case EPortOpenFailure::NoSuchPort:
            return "";
        case EPortOpenFailure::PermissionDenied:
            return kShortPermissionDenied;
        case EPortOpenFailure::InUse:
            return kShortInUse;
        case EPortOpenFailure::NotASerialPort:
            return kShortNotSerial;
        case EPortOpenFailure::SystemConsole:
            return kShortSystemConsole;
        case EPortOpenFailure::Other:
            break;
    }
    return kShortOther;
}

std::string DescribeDeviceMode(const SDeviceAccess& access) {
    std::string strMode = "c";
    for (int nShift = 6; nShift >= 0; nShift -= 3) {
        const unsigned nBits = access.nMode >> nShift;
        strMode += (nBits & 4) ? 'r' : '-';
        strMode += (nBits & 2) ? 'w' : '-';
        strMode += (nBits & 1) ? 'x' : '-';
    }
    return strMode + " " + access.strOwner + " " + access.strGroup;
}
