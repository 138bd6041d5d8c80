// Our data source manager: a shared library loaded by the program at run time, exporting the
// manager's one entry point. It keeps the application's identity, lists the sources (one per
// SANE device, plus the source modules named in ORVALIS_TWAIN_SOURCES, separated by ':'), lets
// the user choose one (the choice is kept as the default in the user's configuration folder),
// opens it and routes every other triplet to it.
#include "platform/scanner/ScannerWindow.h"
#include "platform/scanner/TwainSaneSource.h"
#include "platform/scanner/TwainTypes.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
using scanner::CSaneTwainSource;

struct Source
{
    TW_IDENTITY identity{};
    std::string label;           // shown in the list
    std::string saneDevice;      // a SANE source
    DSENTRYPROC entry = nullptr; // a source module
    std::unique_ptr<CSaneTwainSource> sane;
    bool open = false;
};

struct Manager
{
    bool open = false;
    TW_IDENTITY app{};
    HWND window = nullptr;
    std::vector<Source> sources;
    bool listed = false;
    std::size_t next = 0;
    TW_UINT16 condition = TWCC_SUCCESS;
    TW_UINT32 nextId = 1;
    std::vector<void*> modules;
};

Manager g_manager;

void CopyString(char (&to)[34], const std::string& from)
{
    std::memset(to, 0, sizeof to);
    std::strncpy(to, from.c_str(), sizeof to - 1);
}

TW_UINT16 Fail(TW_UINT16 condition)
{
    g_manager.condition = condition;
    return TWRC_FAILURE;
}

std::string ConfigPath()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/orvalis-twain-dsm.conf";
}

std::string ReadDefaultName()
{
    std::ifstream in(ConfigPath());
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("default=", 0) == 0) return line.substr(8);
    return {};
}

void WriteDefaultName(const std::string& name)
{
    const std::string path = ConfigPath();
    if (path.empty()) return;
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out) return;
        out << "default=" << name << '\n';
        out.flush();
        if (!out) return;
    }
    std::rename(temp.c_str(), path.c_str());
}

void UnloadModules()
{
    for (void* m : g_manager.modules)
        dlclose(m);
    g_manager.modules.clear();
}

// The list is made once per session of the application, when first needed.
void ListSources()
{
    if (g_manager.listed) return;
    g_manager.listed = true;
    g_manager.sources.clear();
    for (const scanner::SaneDeviceInfo& d : scanner::ListSaneDevices())
    {
        Source s;
        s.saneDevice = d.name;
        s.label = d.vendor + " " + d.model + " (" + d.name + ")";
        TW_IDENTITY& id = s.identity;
        id.Id = g_manager.nextId++;
        id.Version = {1, 0, TWLG_FRENCH, TWCY_FRANCE, {}};
        CopyString(id.Version.Info, "1.0");
        id.ProtocolMajor = TWON_PROTOCOLMAJOR;
        id.ProtocolMinor = TWON_PROTOCOLMINOR;
        id.SupportedGroups = DG_CONTROL | DG_IMAGE;
        CopyString(id.Manufacturer, d.vendor);
        CopyString(id.ProductFamily, d.type.empty() ? std::string("Scanner") : d.type);
        CopyString(id.ProductName, d.model + " (" + d.name + ")");
        g_manager.sources.push_back(std::move(s));
    }
    if (const char* env = std::getenv("ORVALIS_TWAIN_SOURCES"))
    {
        std::string list = env;
        std::size_t start = 0;
        while (start <= list.size())
        {
            const std::size_t end = std::min(list.find(':', start), list.size());
            const std::string path = list.substr(start, end - start);
            start = end + 1;
            if (path.empty()) continue;
            void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!module) continue;
            auto entry = reinterpret_cast<DSENTRYPROC>(dlsym(module, "DS_Entry"));
            Source s;
            if (!entry ||
                entry(&g_manager.app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &s.identity) != TWRC_SUCCESS)
            {
                dlclose(module);
                continue;
            }
            g_manager.modules.push_back(module);
            s.entry = entry;
            s.identity.Id = g_manager.nextId++;
            s.label = std::string(s.identity.Manufacturer) + " " + s.identity.ProductName;
            g_manager.sources.push_back(std::move(s));
        }
    }
}

Source* FindSource(const TW_IDENTITY* id)
{
    if (!id) return nullptr;
    for (Source& s : g_manager.sources)
        if (s.identity.Id == id->Id) return &s;
    for (Source& s : g_manager.sources)
        if (std::strncmp(s.identity.ProductName, id->ProductName, 34) == 0) return &s;
    return nullptr;
}

Source* DefaultSource()
{
    ListSources();
    if (g_manager.sources.empty()) return nullptr;
    const std::string name = ReadDefaultName();
    for (Source& s : g_manager.sources)
        if (name == s.identity.ProductName) return &s;
    return &g_manager.sources.front();
}

Source* OpenedSource()
{
    for (Source& s : g_manager.sources)
        if (s.open) return &s;
    return nullptr;
}

TW_UINT16 CallSource(Source& s, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (s.sane) return s.sane->Entry(&g_manager.app, dg, dat, msg, data);
    return s.entry(&g_manager.app, dg, dat, msg, data);
}

TW_UINT16 Identity(TW_UINT16 msg, TW_IDENTITY* id)
{
    if (!g_manager.open) return Fail(TWCC_SEQERROR);
    if (!id) return Fail(TWCC_BADVALUE);
    switch (msg)
    {
    case MSG_GETFIRST:
        ListSources();
        g_manager.next = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        ListSources();
        if (g_manager.next >= g_manager.sources.size()) return TWRC_ENDOFLIST;
        *id = g_manager.sources[g_manager.next++].identity;
        return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
    {
        Source* s = DefaultSource();
        if (!s) return Fail(TWCC_NODS);
        *id = s->identity;
        return TWRC_SUCCESS;
    }
    case MSG_USERSELECT:
    {
        // The list is made again: a scanner may have been plugged in since.
        if (!OpenedSource())
        {
            g_manager.listed = false;
            UnloadModules();
        }
        ListSources();
        if (g_manager.sources.empty())
        {
            if (g_manager.window)
                g_manager.window->ShowScannerMessage("Aucune source d'acquisition n'est disponible.");
            return Fail(TWCC_NODS);
        }
        std::vector<std::string> labels;
        int initial = 0;
        const Source* def = DefaultSource();
        for (std::size_t i = 0; i < g_manager.sources.size(); ++i)
        {
            labels.push_back(g_manager.sources[i].label);
            if (&g_manager.sources[i] == def) initial = int(i);
        }
        const int chosen = g_manager.window ? g_manager.window->ChooseFromList("Sélectionner une source",
                                                                               "Sources :", labels, initial)
                                            : initial;
        if (chosen < 0 || std::size_t(chosen) >= g_manager.sources.size()) return TWRC_CANCEL;
        *id = g_manager.sources[std::size_t(chosen)].identity;
        WriteDefaultName(id->ProductName);
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS:
    {
        if (OpenedSource()) return Fail(TWCC_MAXCONNECTIONS);
        ListSources();
        // An empty identity opens the default source.
        Source* s = (id->Id == 0 && id->ProductName[0] == 0) ? DefaultSource() : FindSource(id);
        if (!s) return Fail(TWCC_NODS);
        if (!s->saneDevice.empty()) s->sane = std::make_unique<CSaneTwainSource>(s->saneDevice, s->identity);
        const TW_UINT16 rc = CallSource(*s, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &s->identity);
        if (rc != TWRC_SUCCESS)
        {
            TW_STATUS status{};
            CallSource(*s, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
            s->sane.reset();
            return Fail(status.ConditionCode ? status.ConditionCode : TWCC_OPERATIONERROR);
        }
        s->open = true;
        *id = s->identity;
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
    {
        Source* s = FindSource(id);
        if (!s || !s->open) return Fail(TWCC_NODS);
        const TW_UINT16 rc = CallSource(*s, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &s->identity);
        s->open = false;
        s->sane.reset();
        return rc;
    }
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16
DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (!origin) return TWRC_FAILURE;
    if (dest)
    {
        // A triplet for the source: only the opened one takes it.
        Source* s = OpenedSource();
        if (!s || s->identity.Id != dest->Id)
        {
            if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data)
            {
                static_cast<TW_STATUS*>(data)->ConditionCode = TWCC_BADDEST;
                return TWRC_SUCCESS;
            }
            if (dg == DG_CONTROL && dat == DAT_EVENT) return TWRC_NOTDSEVENT;
            return Fail(TWCC_BADDEST);
        }
        return CallSource(*s, dg, dat, msg, data);
    }
    if (dg != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
    switch (dat)
    {
    case DAT_PARENT:
        if (msg == MSG_OPENDSM)
        {
            if (g_manager.open) return Fail(TWCC_SEQERROR);
            if (!data) return Fail(TWCC_BADVALUE);
            g_manager.window = *static_cast<HWND*>(data);
            origin->Id = g_manager.nextId++;
            g_manager.app = *origin;
            g_manager.open = true;
            g_manager.listed = false;
            g_manager.condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        if (msg == MSG_CLOSEDSM)
        {
            if (!g_manager.open || OpenedSource()) return Fail(TWCC_SEQERROR);
            g_manager.open = false;
            g_manager.window = nullptr;
            g_manager.sources.clear();
            g_manager.listed = false;
            UnloadModules();
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_BADPROTOCOL);
    case DAT_IDENTITY:
        return Identity(msg, static_cast<TW_IDENTITY*>(data));
    case DAT_STATUS:
        if (msg != MSG_GET || !data) return Fail(TWCC_BADVALUE);
        static_cast<TW_STATUS*>(data)->ConditionCode = g_manager.condition;
        static_cast<TW_STATUS*>(data)->Data = 0;
        g_manager.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
