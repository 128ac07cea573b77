#pragma once

// The three device kinds; each is a section of config.ini with a package and an image key.
enum class UpgradeTarget { Remote, Tablet, Dongle };

// Key `zip` names the DFU package of the USB upgrade, key `hex` the image of J-Link programming.
enum class ConfigKey { Zip, Hex };

inline const wchar_t* SectionName(UpgradeTarget target) {
    switch (target) {
    case UpgradeTarget::Tablet:
        return L"Tablet";
    case UpgradeTarget::Dongle:
        return L"Dongle";
    case UpgradeTarget::Remote:
        break;
    }
    return L"Remote";
}

inline const wchar_t* KeyName(ConfigKey key) {
    return key == ConfigKey::Zip ? L"zip" : L"hex";
}
