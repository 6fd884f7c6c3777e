// Reads back from the built launcher what the shell, the loader and the user see of it: the icon
// group, the manifest, the version record, and the facts of its PE image.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "file_bytes_win.h"
#include "tarven_version.h"
#include "test_paths_win.h"

namespace tarven {
namespace {

using unique_hicon = unique_any<HICON, ::DestroyIcon>;
using unique_actctx = unique_any<HANDLE, ::ReleaseActCtx, invalid_handle_value>;

const std::set<int> icon_sizes{16, 20, 24, 32, 48, 64, 128, 256};

std::wstring launcher_exe() { return test::windows_path(TARVEN_LAUNCHER_EXE); }

// A little-endian value at `offset`; a read past the end is a broken image, not a crash.
template <class T>
T read(std::string_view bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        throw std::out_of_range("read past the end at offset " + std::to_string(offset));
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

std::uint32_t read_be32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | read<std::uint8_t>(bytes, offset + i);
    return value;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// --- Resources ----------------------------------------------------------------------------

std::string_view resource(HMODULE module, LPCWSTR type, WORD id) {
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return {};
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return {static_cast<const char*>(data), ::SizeofResource(module, info)};
}

struct IconEntry {
    int width;
    int height;
    std::uint16_t planes;
    std::uint16_t bit_count;
    std::uint32_t bytes;
    std::uint16_t id;
};

// The records of an icon group: a 6-byte header (reserved, type 1, count), then 14 bytes each.
std::vector<IconEntry> icon_group_entries(std::string_view group) {
    if (read<std::uint16_t>(group, 2) != 1) throw std::runtime_error("not an icon group");
    std::vector<IconEntry> entries;
    const std::uint16_t count = read<std::uint16_t>(group, 4);
    for (std::size_t at = 6; entries.size() < count; at += 14) {
        const int width = read<std::uint8_t>(group, at);
        const int height = read<std::uint8_t>(group, at + 1);
        entries.push_back({width == 0 ? 256 : width, height == 0 ? 256 : height, read<std::uint16_t>(group, at + 4),
                           read<std::uint16_t>(group, at + 6), read<std::uint32_t>(group, at + 8),
                           read<std::uint16_t>(group, at + 12)});
    }
    return entries;
}

struct ImageHeader {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
    bool alpha = false;
};

// What the image itself says of its size and depth, PNG or DIB.
ImageHeader image_header(std::string_view image) {
    if (image.starts_with("\x89PNG\r\n\x1a\n")) {
        // IHDR: width, height, bit depth, colour type (6: RGBA).
        const auto depth = read<std::uint8_t>(image, 24);
        const auto colour = read<std::uint8_t>(image, 25);
        return {static_cast<int>(read_be32(image, 16)), static_cast<int>(read_be32(image, 20)),
                colour == 6 ? depth * 4 : 0, colour == 6};
    }
    if (read<std::uint32_t>(image, 0) != sizeof(BITMAPINFOHEADER)) return {};
    // The height counts the colour rows and the AND mask's rows together.
    return {read<std::int32_t>(image, 4), read<std::int32_t>(image, 8) / 2, read<std::uint16_t>(image, 14),
            read<std::uint16_t>(image, 14) == 32};
}

class LauncherResources : public testing::Test {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryExW(launcher_exe().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_) << render_os_error(::GetLastError());
    }

    HMODULE module() const { return module_.get(); }

private:
    unique_hmodule module_;
};

TEST_F(LauncherResources, IconGroupOneHoldsTheEightSizesAt32Bits) {
    const std::string_view group = resource(module(), RT_GROUP_ICON, 1);
    ASSERT_FALSE(group.empty()) << "no icon group 1";

    std::multiset<int> sizes;
    for (const IconEntry& entry : icon_group_entries(group)) {
        sizes.insert(entry.width);
        EXPECT_EQ(entry.height, entry.width) << "entry " << entry.id;
        EXPECT_EQ(entry.bit_count, 32) << entry.width << " px";
        EXPECT_EQ(entry.planes, 1) << entry.width << " px";
    }
    EXPECT_EQ(sizes, std::multiset<int>(icon_sizes.begin(), icon_sizes.end()));
}

TEST_F(LauncherResources, EveryIconImageIs32BitsAndLoadsAtItsSize) {
    const std::string_view group = resource(module(), RT_GROUP_ICON, 1);
    ASSERT_FALSE(group.empty()) << "no icon group 1";
    auto* directory = reinterpret_cast<PBYTE>(const_cast<char*>(group.data()));

    for (const IconEntry& entry : icon_group_entries(group)) {
        SCOPED_TRACE(std::to_string(entry.width) + " px");
        const std::string_view image = resource(module(), RT_ICON, entry.id);
        ASSERT_FALSE(image.empty()) << "no icon image " << entry.id;
        EXPECT_EQ(image.size(), entry.bytes);

        const ImageHeader header = image_header(image);
        EXPECT_EQ(header.width, entry.width);
        EXPECT_EQ(header.height, entry.height);
        EXPECT_EQ(header.bits_per_pixel, 32);
        EXPECT_TRUE(header.alpha);

        // The system picks this very image when it asks for this size.
        EXPECT_EQ(::LookupIconIdFromDirectoryEx(directory, TRUE, entry.width, entry.height, LR_DEFAULTCOLOR), entry.id);

        const unique_hicon icon(::CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(image.data())),
                                                           static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                                           entry.width, entry.height, LR_DEFAULTCOLOR));
        EXPECT_TRUE(icon) << render_os_error(::GetLastError());
    }
}

// --- Manifest -----------------------------------------------------------------------------

struct Element {
    std::string_view attributes;
    std::string_view content;  // empty for a self-closed element
};

// Every element named `name`, in document order. Enough for a manifest: no CDATA, no nesting of
// an element in itself.
std::vector<Element> elements(std::string_view xml, std::string_view name) {
    std::vector<Element> found;
    std::string open = "<";
    open.append(name);
    std::string close = "</";
    close.append(name).push_back('>');
    for (std::size_t at = xml.find(open); at != std::string_view::npos; at = xml.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after >= xml.size() || std::string_view(" \t\r\n/>").find(xml[after]) == std::string_view::npos) continue;
        const std::size_t end = xml.find('>', after);
        if (end == std::string_view::npos) break;
        if (xml[end - 1] == '/') {
            found.push_back({xml.substr(after, end - 1 - after), {}});
            continue;
        }
        const std::size_t closing = xml.find(close, end);
        if (closing == std::string_view::npos) break;
        found.push_back({xml.substr(after, end - after), xml.substr(end + 1, closing - end - 1)});
    }
    return found;
}

std::optional<std::string_view> attribute(const Element& element, std::string_view name) {
    std::string key(name);
    key.append("=\"");
    for (std::size_t at = element.attributes.find(key); at != std::string_view::npos;
         at = element.attributes.find(key, at + 1)) {
        if (at > 0 && std::string_view(" \t\r\n").find(element.attributes[at - 1]) == std::string_view::npos) continue;
        const std::size_t begin = at + key.size();
        const std::size_t end = element.attributes.find('"', begin);
        if (end == std::string_view::npos) return std::nullopt;
        return element.attributes.substr(begin, end - begin);
    }
    return std::nullopt;
}

TEST_F(LauncherResources, ManifestNamesTheAppCommonControlsOsAndDpiAwareness) {
    const std::string_view manifest = resource(module(), RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty()) << "no manifest 1";

    const std::vector<Element> identities = elements(manifest, "assemblyIdentity");
    ASSERT_FALSE(identities.empty());
    EXPECT_EQ(attribute(identities.front(), "name"), "Tarven.App");
    EXPECT_EQ(attribute(identities.front(), "version"), "1.0.0.0");
    EXPECT_EQ(attribute(identities.front(), "type"), "win32");

    const auto controls = std::find_if(identities.begin(), identities.end(), [](const Element& e) {
        return attribute(e, "name") == "Microsoft.Windows.Common-Controls";
    });
    ASSERT_NE(controls, identities.end()) << "no common controls dependency";
    EXPECT_EQ(attribute(*controls, "version"), "6.0.0.0");
    EXPECT_EQ(attribute(*controls, "publicKeyToken"), "6595b64144ccf1df");
    EXPECT_EQ(elements(manifest, "dependentAssembly").size(), 1u);

    // Windows 10 and Windows 11 share one id.
    std::set<std::string_view> supported;
    for (const Element& os : elements(manifest, "supportedOS"))
        if (const auto id = attribute(os, "Id")) supported.insert(*id);
    EXPECT_EQ(supported, std::set<std::string_view>{"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"});

    const std::vector<Element> aware = elements(manifest, "dpiAware");
    ASSERT_EQ(aware.size(), 1u);
    EXPECT_EQ(attribute(aware.front(), "xmlns"), "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
    EXPECT_EQ(aware.front().content, "true/pm");

    const std::vector<Element> awareness = elements(manifest, "dpiAwareness");
    ASSERT_EQ(awareness.size(), 1u);
    EXPECT_EQ(attribute(awareness.front(), "xmlns"), "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
    EXPECT_EQ(awareness.front().content, "PerMonitorV2");
}

// The loader's own parser takes the manifest, and the assemblies it names resolve.
TEST(LauncherManifest, MakesAnActivationContext) {
    const std::wstring exe = launcher_exe();
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    const unique_actctx context(::CreateActCtxW(&request));
    EXPECT_TRUE(context) << render_os_error(::GetLastError());
}

// --- Version record -----------------------------------------------------------------------

class LauncherVersion : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring exe = launcher_exe();
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
        ASSERT_NE(size, 0u) << render_os_error(::GetLastError());
        record_.resize(size);
        ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, record_.data())) << render_os_error(::GetLastError());
    }

    std::string_view value(const wchar_t* path) {
        void* data = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(record_.data(), path, &data, &length) || data == nullptr) return {};
        return {static_cast<const char*>(data), length};
    }

    std::optional<std::wstring> text(const std::wstring& name) {
        const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
        void* data = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(record_.data(), path.c_str(), &data, &length) || data == nullptr) return std::nullopt;
        return std::wstring(static_cast<const wchar_t*>(data));
    }

private:
    std::vector<char> record_;
};

TEST_F(LauncherVersion, IsOneUsEnglishUnicodeTranslation) {
    const std::string_view translation = value(L"\\VarFileInfo\\Translation");
    ASSERT_EQ(translation.size(), 4u);
    EXPECT_EQ(read<std::uint16_t>(translation, 0), 0x0409);
    EXPECT_EQ(read<std::uint16_t>(translation, 2), 0x04B0);
}

TEST_F(LauncherVersion, StringsNameTheProductAndItsVersion) {
    const std::array<std::pair<const wchar_t*, const wchar_t*>, 7> expected{{
        {L"CompanyName", L"Tarven"},
        {L"FileDescription", L"Tarven Help"},
        {L"ProductName", L"Tarven Help"},
        {L"InternalName", L"tarven-help"},
        {L"OriginalFilename", L"Tarven Help.exe"},
        {L"FileVersion", L"" TARVEN_VERSION_TEXT},
        {L"ProductVersion", L"" TARVEN_VERSION_TEXT},
    }};
    for (const auto& [name, want] : expected)
        EXPECT_EQ(text(name), std::optional<std::wstring>(want)) << narrow_lossy(name);
}

TEST_F(LauncherVersion, FixedFileAndProductVersionAreTheProjectsWithBuildZero) {
    const std::string_view fixed = value(L"\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed.data(), sizeof(info));
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    constexpr DWORD major_minor = (TARVEN_VERSION_MAJOR << 16) | TARVEN_VERSION_MINOR;
    constexpr DWORD patch_build = TARVEN_VERSION_PATCH << 16;
    EXPECT_EQ(info.dwFileVersionMS, major_minor);
    EXPECT_EQ(info.dwFileVersionLS, patch_build);
    EXPECT_EQ(info.dwProductVersionMS, major_minor);
    EXPECT_EQ(info.dwProductVersionLS, patch_build);
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_APP));
}

// --- PE image -----------------------------------------------------------------------------

std::string read_launcher() {
    auto bytes = test::read_file_bytes(launcher_exe());
    if (!bytes) throw std::runtime_error("cannot read the launcher: " + render_os_error(::GetLastError()));
    return std::move(*bytes);
}

struct PeFacts {
    std::uint16_t machine = 0;
    std::uint16_t magic = 0;
    std::uint16_t subsystem = 0;
    std::vector<std::string> imports;  // DLL names, load-time and delay-loaded
};

// The headers and the import tables, read as the loader lays them out for a PE32+ image.
PeFacts read_pe(std::string_view image) {
    PeFacts facts;
    if (!image.starts_with("MZ")) throw std::runtime_error("no MZ header");
    const std::size_t pe = read<std::uint32_t>(image, 0x3C);
    if (read<std::uint32_t>(image, pe) != 0x00004550) throw std::runtime_error("no PE signature");
    const std::size_t coff = pe + 4;
    facts.machine = read<std::uint16_t>(image, coff);
    const std::size_t section_count = read<std::uint16_t>(image, coff + 2);
    const std::size_t optional = coff + 20;
    const std::size_t sections = optional + read<std::uint16_t>(image, coff + 16);
    facts.magic = read<std::uint16_t>(image, optional);
    if (facts.magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return facts;
    facts.subsystem = read<std::uint16_t>(image, optional + 68);
    const auto image_base = read<std::uint64_t>(image, optional + 24);
    const std::size_t directory_count = read<std::uint32_t>(image, optional + 108);

    const auto file_offset = [&](std::uint64_t rva) -> std::size_t {
        for (std::size_t i = 0; i < section_count; ++i) {
            const std::size_t header = sections + i * 40;
            const std::uint64_t start = read<std::uint32_t>(image, header + 12);
            const std::uint64_t span =
                std::max(read<std::uint32_t>(image, header + 8), read<std::uint32_t>(image, header + 16));
            if (rva >= start && rva < start + span)
                return static_cast<std::size_t>(read<std::uint32_t>(image, header + 20) + (rva - start));
        }
        throw std::runtime_error("address " + std::to_string(rva) + " in no section");
    };
    const auto name_at = [&](std::uint64_t rva) {
        const std::size_t begin = file_offset(rva);
        const std::size_t end = image.find('\0', begin);
        if (end == std::string_view::npos) throw std::runtime_error("unterminated name");
        return std::string(image.substr(begin, end - begin));
    };
    const auto directory = [&](std::size_t index) -> std::uint32_t {
        return index < directory_count ? read<std::uint32_t>(image, optional + 112 + index * 8) : 0;
    };

    // Import descriptors (20 bytes; the name at +12), ended by an all-zero one.
    if (const std::uint32_t rva = directory(IMAGE_DIRECTORY_ENTRY_IMPORT); rva != 0) {
        for (std::size_t at = file_offset(rva);; at += 20) {
            const std::uint32_t name = read<std::uint32_t>(image, at + 12);
            if (name == 0 && read<std::uint32_t>(image, at + 16) == 0) break;
            facts.imports.push_back(name_at(name));
        }
    }
    // Delay-load descriptors (32 bytes; attributes, then the name as an address or, in the old
    // form, as a virtual address).
    if (const std::uint32_t rva = directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT); rva != 0) {
        for (std::size_t at = file_offset(rva);; at += 32) {
            const std::uint32_t name = read<std::uint32_t>(image, at + 4);
            if (name == 0) break;
            const bool relative = (read<std::uint32_t>(image, at) & 1) != 0;
            facts.imports.push_back(name_at(relative ? name : name - image_base));
        }
    }
    return facts;
}

// The loader maps these from the system's own copies, never from the launcher's folder.
constexpr std::array known_dlls{
    "kernel32.dll", "user32.dll",  "gdi32.dll",    "advapi32.dll", "ole32.dll",    "oleaut32.dll",   "shell32.dll",
    "ws2_32.dll",   "msvcrt.dll",  "comdlg32.dll", "shlwapi.dll",  "imagehlp.dll", "psapi.dll",      "setupapi.dll",
    "sechost.dll",  "rpcrt4.dll",  "combase.dll",  "difxapi.dll",  "normaliz.dll", "nsi.dll",        "wldap32.dll",
    "clbcatq.dll",  "gdiplus.dll", "imm32.dll",    "msctf.dll",    "ntdll.dll",    "kernelbase.dll", "lpk.dll",
    "usp10.dll",    "shcore.dll",  "bcrypt.dll",
};

class LauncherImage : public testing::Test {
protected:
    void SetUp() override { facts_ = read_pe(read_launcher()); }
    const PeFacts& facts() const { return facts_; }

private:
    PeFacts facts_;
};

TEST_F(LauncherImage, IsA64BitGuiProgram) {
    EXPECT_EQ(facts().magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(facts().machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(facts().subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

// A DLL outside KnownDLLs would be searched for in the launcher's folder first, where anyone
// who can drop a file beside a download can plant one.
TEST_F(LauncherImage, ImportsOnlyKnownDlls) {
    ASSERT_FALSE(facts().imports.empty());
    for (const std::string& dll : facts().imports) {
        EXPECT_TRUE(std::find(known_dlls.begin(), known_dlls.end(), lower(dll)) != known_dlls.end())
            << dll << " is not a known DLL";
        // shell32's forwards (CommandLineToArgvW to shcore) resolve before the DLL search is
        // restricted, from wherever the loader looks first.
        EXPECT_NE(lower(dll), "shell32.dll");
    }
}

// Statically linked: no compiler runtime has to travel beside the executable.
TEST_F(LauncherImage, NeedsNoCompilerRuntimeDll) {
    for (const std::string& dll : facts().imports) {
        const std::string name = lower(dll);
        for (const std::string_view runtime : {"libstdc++", "libgcc", "libwinpthread"})
            EXPECT_FALSE(name.starts_with(runtime)) << dll;
    }
}

}  // namespace
}  // namespace tarven
