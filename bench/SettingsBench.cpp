// The settings file at the scale of a large site: 1000 devices (KORVANE_BENCH_DEVICES sets
// another number), each with the full information of the four-bay model (qrx-x.xml), in 20 groups. Save and
// load against libxml2 alone parsing and serialising the same XML, and the resident memory of the loaded
// store.
#include "admin/AtomicFile.h"
#include "admin/CellText.h"
#include "admin/InfoColumnTable.h"
#include "admin/SettingsFile.h"
#include "support/ScrambleStr.h"
#include "support/XmlLoadCheck.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <sstream>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/xmlsave.h>

namespace {

using namespace Korvane;

int DeviceCount() {
    const char* pszCount = std::getenv("KORVANE_BENCH_DEVICES");
    const int nCount = pszCount != nullptr ? std::atoi(pszCount) : 0;
    return nCount > 0 ? nCount : 1000;
}
constexpr int kGroups = 20;
constexpr const char* kKey = "4f1c2d9e8b7a6053a1b2c3d4e5f60718:1000";
constexpr const char* kSampleMac = "02:4B:56:1A:07:3C";
constexpr double kMiB = 1024.0 * 1024.0;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t nAt = text.find(from); nAt != std::string::npos; nAt = text.find(from, nAt + to.size())) {
        text.replace(nAt, from.size(), to);
    }
    return text;
}

std::string GroupName(int nGroup) {
    return "グループ " + std::to_string(nGroup);
}

// The settings document, written out directly so that the store is built the way the program
// builds it: by loading the file.
std::string SettingsXml(const std::string& info) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KorvaneAdminSettingInfo><appsettings>"
                      "<updatetime>15</updatetime><grouplist>";
    for (int g = 0; g < kGroups; ++g) {
        xml += "<group>" + GroupName(g) + "</group>";
    }
    xml +=
        "</grouplist><window><size><x>0</x><y>0</y><h>800</h><w>1200</w><h1>300</h1><w1>400</w1></size>"
        "</window><mail enable=\"false\"><smtp><srv/><port/></smtp><sendfrom/><sendto/><encode>UTF-8</encode>"
        "<auth type=\"NO\"/></mail></appsettings><korvaneinfos>";
    for (int i = 0, nDevices = DeviceCount(); i < nDevices; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:4B:56:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF,
                      i & 0xFF);
        xml += "<korvane portforwarding=\"disable\"><adminpasswd>pw</adminpasswd><mac>" + std::string(mac) +
               "</mac><belong><group>" + GroupName(i % kGroups) + "</group></belong>" +
               ReplaceAll(info, kSampleMac, mac) + "</korvane>";
    }
    return xml + "</korvaneinfos></KorvaneAdminSettingInfo>\n";
}

// The settings file of the benchmarks, written once; the store and the saved XML are made from
// it when a benchmark first needs them.
class BenchData {
public:
    BenchData() {
        char folderTemplate[] = "/tmp/korvane-settings-bench-XXXXXX";
        m_folder = mkdtemp(folderTemplate);
        m_path = m_folder / "KorvaneAdminSetting";
        const char* pszSource = std::getenv("KORVANE_SOURCE_DIR");
        const std::string sample =
            ReadText(std::filesystem::path(pszSource ? pszSource : KORVANE_SOURCE_DIR) /
                     "tools/korvane-sim/models/qrx-x.xml");
        m_nSampleBytes = sample.size();
        const std::string xml = SettingsXml(sample.substr(sample.find("<korvaneinfo")));
        m_nXmlBytes = xml.size();
        std::ofstream(m_path, std::ios::binary) << Zelt::CEncodeStr().Convert(xml, kKey);
    }
    ~BenchData() { std::filesystem::remove_all(m_folder); }

    const std::filesystem::path& Path() const { return m_path; }

    // Why the program would not load this settings file, or empty.
    std::string Refusal() const {
        if (m_nXmlBytes <= Zelt::CXmlLoadCheck::MAX_DOCUMENT_BYTES) {
            return "";
        }
        return "the settings XML (" + std::to_string(m_nXmlBytes >> 20) +
               " MiB) is larger than a settings file may be (" +
               std::to_string(Zelt::CXmlLoadCheck::MAX_DOCUMENT_BYTES >> 20) + " MiB)";
    }

    CKorvaneAdminInfoMgr& Manager() {
        if (m_manager.Devices().empty()) {
            CSettingsFile(m_path, kKey).Load(m_manager);
        }
        return m_manager;
    }

    // The XML exactly as the program saves it.
    const std::string& SavedXml() {
        if (m_xml.empty()) {
            CSettingsFile(m_folder / "plain", "").Save(Manager());
            m_xml = ReadText(m_folder / "plain");
        }
        return m_xml;
    }

    void ReportSizes(benchmark::State& state) {
        state.counters["sample_bytes"] = static_cast<double>(m_nSampleBytes);
        state.counters["xml_MiB"] = static_cast<double>(SavedXml().size()) / kMiB;
        state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(m_path)) / kMiB;
    }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_path;
    size_t m_nSampleBytes = 0;
    size_t m_nXmlBytes = 0;
    CKorvaneAdminInfoMgr m_manager;
    std::string m_xml;
};

// The benchmarks' data; nullptr, with the benchmark skipped, when the program would refuse it.
BenchData* DataFor(benchmark::State& state) {
    static BenchData data;
    if (const std::string refusal = data.Refusal(); !refusal.empty()) {
        state.SkipWithError(refusal.c_str());
        return nullptr;
    }
    return &data;
}

double ResidentMiB() {
    long nPages = 0;
    long nResident = 0;
    if (FILE* pFile = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(pFile, "%ld %ld", &nPages, &nResident) != 2) {
            nResident = 0;
        }
        std::fclose(pFile);
    }
    return static_cast<double>(nResident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / kMiB;
}

// Frees the store and settles the heap while the clock is stopped: glibc defers the work of
// freeing a million small blocks to the next large allocation, which would bill it to the next
// iteration.
void ReleaseUntimed(std::unique_ptr<CKorvaneAdminInfoMgr>& manager) {
    manager.reset();
    malloc_trim(0);
}

// First in the file, so that no other benchmark's store or buffers are in the numbers.
void BM_SettingsStoreMemory(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const double before = ResidentMiB();
        state.ResumeTiming();
        auto manager = std::make_unique<CKorvaneAdminInfoMgr>();
        CSettingsFile(data.Path(), kKey).Load(*manager);
        state.PauseTiming();
        malloc_trim(0);
        const double after = ResidentMiB();
        state.counters["rss_before_MiB"] = before;
        state.counters["rss_after_MiB"] = after;
        state.counters["store_MiB"] = after - before;
        state.counters["devices"] = static_cast<double>(manager->Devices().size());
        ReleaseUntimed(manager);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SettingsStoreMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SettingsSave(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    CSettingsFile file(data.Path(), kKey);
    CKorvaneAdminInfoMgr& manager = data.Manager();
    for (auto _ : state) {
        if (!file.Save(manager)) {
            state.SkipWithError("save failed");
        }
    }
    data.ReportSizes(state);
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The part of a save that is the disk's: writing the stored text, fsync, rename, fsync of the
// folder.
void BM_SettingsAtomicWriteOnly(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    const std::string stored = ReadText(data.Path());
    std::string strReason;
    for (auto _ : state) {
        if (!CAtomicFile::Replace(data.Path(), stored, CSettingsFile::FILE_MODE, strReason)) {
            state.SkipWithError(strReason.c_str());
        }
    }
    data.ReportSizes(state);
}
BENCHMARK(BM_SettingsAtomicWriteOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SettingsLoad(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    for (auto _ : state) {
        auto manager = std::make_unique<CKorvaneAdminInfoMgr>();
        if (CSettingsFile(data.Path(), kKey).Load(*manager).outcome != SettingsLoadOutcome::Loaded) {
            state.SkipWithError("load failed");
        }
        state.PauseTiming();
        ReleaseUntimed(manager); // freeing the store is the end of the program, not part of a load
        state.ResumeTiming();
    }
    data.ReportSizes(state);
}
BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// What the device list computes when it is filled: every cell of every device with all 18
// columns shown (the most a user can ask for), and each row's state icon.
void BM_AllCellTexts(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    CKorvaneAdminInfoMgr& manager = pData->Manager();
    InfoColumnTable columns;
    std::vector<std::string> keys;
    for (const InfoColumn& column : columns.Columns()) {
        keys.push_back(column.key);
    }
    columns.ApplyVisibleKeys(keys);
    const std::vector<InfoColumn> visible = columns.VisibleColumns();
    size_t nCells = 0;
    for (auto _ : state) {
        nCells = 0;
        for (const auto& [mac, device] : manager.Devices()) {
            for (const InfoColumn& column : visible) {
                benchmark::DoNotOptimize(CCellText::CellText(column.key, device));
                ++nCells;
            }
            benchmark::DoNotOptimize(CCellText::StateIconIndex(device));
        }
    }
    state.counters["cells"] = static_cast<double>(nCells);
    state.counters["columns"] = static_cast<double>(visible.size());
}
BENCHMARK(BM_AllCellTexts)->Unit(benchmark::kMillisecond)->MinTime(3.0);

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

void BM_SettingsLibxml2Parse(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    const std::string& xml = data.SavedXml();
    for (auto _ : state) {
        xmlDocPtr doc =
            xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, kParseOptions);
        benchmark::DoNotOptimize(doc);
        state.PauseTiming();
        xmlFreeDoc(doc);
        malloc_trim(0);
        state.ResumeTiming();
    }
    data.ReportSizes(state);
}
BENCHMARK(BM_SettingsLibxml2Parse)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SettingsLibxml2Serialize(benchmark::State& state) {
    BenchData* pData = DataFor(state);
    if (pData == nullptr) {
        return;
    }
    BenchData& data = *pData;
    const std::string& xml = data.SavedXml();
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, kParseOptions);
    for (auto _ : state) {
        xmlBufferPtr buffer = xmlBufferCreate();
        xmlSaveCtxtPtr context = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_AS_XML);
        xmlSaveDoc(context, doc);
        xmlSaveClose(context);
        benchmark::DoNotOptimize(xmlBufferLength(buffer));
        xmlBufferFree(buffer);
    }
    xmlFreeDoc(doc);
    data.ReportSizes(state);
}
BENCHMARK(BM_SettingsLibxml2Serialize)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace
