// The real Tavlora.dll as a file: its exports, imports and version.
#include "wine_support.h"

#include <algorithm>
#include <set>

namespace {

struct LoadedImage {
    HMODULE module;
    const BYTE *base;
    const IMAGE_NT_HEADERS *nt;
    explicit LoadedImage(const std::string &path) {
        module = LoadLibraryExA(path.c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
        base = reinterpret_cast<const BYTE *>(module);
        const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
        nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    }
    ~LoadedImage() { FreeLibrary(module); }
    const IMAGE_DATA_DIRECTORY &Directory(int index) const {
        return nt->OptionalHeader.DataDirectory[index];
    }
};

const char *const kEntryPoints[] = {
    "DISPLAYDLL_Init@16",        "DISPLAYDLL_Done@0",
    "DISPLAYDLL_Write@4",        "DISPLAYDLL_SetPosition@8",
    "DISPLAYDLL_CustomChar@8",   "DISPLAYDLL_CustomCharIndex@4",
    "DISPLAYDLL_DriverName@0",   "DISPLAYDLL_Usage@0",
    "DISPLAYDLL_DefaultParameters@0"};

TEST(Library, ExportsEachEntryPointUnderBothNames) {
    LoadedImage image(BuildFolder() + "\\Tavlora.dll");
    ASSERT_NE(image.module, nullptr);
    const IMAGE_DATA_DIRECTORY &dir = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    const IMAGE_EXPORT_DIRECTORY *exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(image.base + dir.VirtualAddress);
    EXPECT_STREQ(reinterpret_cast<const char *>(image.base + exports->Name), "Tavlora.dll");

    const DWORD *names = reinterpret_cast<const DWORD *>(image.base + exports->AddressOfNames);
    std::set<std::string> exported;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        exported.insert(reinterpret_cast<const char *>(image.base + names[i]));

    std::set<std::string> expected;
    for (const char *decorated : kEntryPoints) {
        std::string plain(decorated, strchr(decorated, '@') - decorated);
        expected.insert(decorated);
        expected.insert(plain);
        FARPROC a = GetProcAddress(image.module, decorated);
        FARPROC b = GetProcAddress(image.module, plain.c_str());
        EXPECT_NE(a, nullptr) << decorated;
        EXPECT_EQ(a, b) << plain << " and " << decorated << " lead to one entry point";
    }
    EXPECT_EQ(exported, expected);
    EXPECT_EQ(exported.size(), 18u);
}

TEST(Library, ImportsOnlySystemLibraries) {
    LoadedImage image(BuildFolder() + "\\Tavlora.dll");
    ASSERT_NE(image.module, nullptr);
    const IMAGE_DATA_DIRECTORY &dir = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    const IMAGE_IMPORT_DESCRIPTOR *import =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(image.base + dir.VirtualAddress);
    // zlib is linked in: no zlib or PNG library, and no GDI+, is imported;
    // Winsock (the web view) is the system's.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "ole32.dll",    "oleaut32.dll", "shell32.dll",
                                          "msvcrt.dll",   "ws2_32.dll"};
    int count = 0;
    for (; import->Name != 0; ++import, ++count) {
        std::string name = reinterpret_cast<const char *>(image.base + import->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        EXPECT_TRUE(system.count(name)) << "imports " << name;
    }
    EXPECT_GT(count, 0);
}

TEST(Library, CarriesItsVersion) {
    std::string path = BuildFolder() + "\\Tavlora.dll";
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void **>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, (1u << 16) | 1u);
    EXPECT_EQ(info->dwFileVersionLS, (118u << 16) | 633u);
    char *text = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void **>(&text), &length));
    EXPECT_STREQ(text, "1.1.118.633");
}

} // namespace
