#include "DialogTemplate.h"
#include <windows.h>

namespace {

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    std::uint16_t Word() {
        Need(2);
        std::uint16_t v = 0;
        if (m_ok) {
            v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
            m_pos += 2;
        }
        return v;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    std::uint8_t Byte() {
        Need(1);
        return m_ok ? m_data[m_pos++] : 0;
    }
    // A name or ordinal field: 0 none, 0xFFFF then an ordinal, else a NUL-ended string.
    std::wstring SzOrOrd() {
        const auto first = Word();
        if (first == 0) {
            return {};
        }
        if (first == 0xFFFF) {
            return L"#" + std::to_wstring(Word());
        }
        std::wstring s(1, static_cast<wchar_t>(first));
        for (auto c = Word(); m_ok && c != 0; c = Word()) {
            s.push_back(static_cast<wchar_t>(c));
        }
        return s;
    }
    std::wstring Sz() {
        std::wstring s;
        for (auto c = Word(); m_ok && c != 0; c = Word()) {
            s.push_back(static_cast<wchar_t>(c));
        }
        return s;
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t{3}; }
    void Skip(size_t n) {
        Need(n);
        m_pos += m_ok ? n : 0;
    }

private:
    void Need(size_t n) { m_ok = m_ok && m_pos + n <= m_size; }
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace

bool LoadDialogTemplate(const std::wstring& path, unsigned id, DialogTemplate& out) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return false;
    }
    bool ok = false;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (data != nullptr) {
        Reader r(data, SizeofResource(module, found));
        const auto version = r.Word();
        const auto signature = r.Word();
        if (version == 1 && signature == 0xFFFF) {
            r.Dword(); // help id
            out.exStyle = r.Dword();
            out.style = r.Dword();
            const auto count = r.Word();
            out.x = static_cast<short>(r.Word());
            out.y = static_cast<short>(r.Word());
            out.cx = static_cast<short>(r.Word());
            out.cy = static_cast<short>(r.Word());
            out.menu = r.SzOrOrd();
            out.className = r.SzOrOrd();
            out.caption = r.Sz();
            if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
                out.pointSize = r.Word();
                out.weight = r.Word();
                out.italic = r.Byte();
                out.charset = r.Byte();
                out.face = r.Sz();
            }
            for (unsigned i = 0; i < count && r.ok(); ++i) {
                r.AlignDword();
                DialogTemplate::Item item;
                r.Dword(); // help id
                item.exStyle = r.Dword();
                item.style = r.Dword();
                item.x = static_cast<short>(r.Word());
                item.y = static_cast<short>(r.Word());
                item.cx = static_cast<short>(r.Word());
                item.cy = static_cast<short>(r.Word());
                item.id = r.Dword();
                item.className = r.SzOrOrd();
                item.text = r.SzOrOrd();
                r.Skip(r.Word()); // creation data
                out.items.push_back(item);
            }
            ok = r.ok() && out.items.size() == count;
        }
    }
    FreeLibrary(module);
    return ok;
}
