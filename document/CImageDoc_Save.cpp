// Saving with a backup of the replaced file, EXIF stamping, the save-modified question and the
// information text.
#include "document/CImageDoc.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCExifTags.h"
#include "imagelib/FCImageCodec.h"
#include "platform/TextConv.h"
#include "platform/settings/Settings.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <memory>

namespace
{
const wchar_t kProductTitle[] = L"Orvalis 5";

int QueryType(const std::wstring& path)
{
    FCImageCodecFactory* factory = FCObjImage::GetCodecFactory();
    return factory ? factory->QueryImageFileType(path.c_str()) : IMG_UNKNOWN;
}

// Whether a codec exists for the type, so that a save can be tried at all.
bool HasCodec(int type)
{
    FCImageCodecFactory* factory = FCObjImage::GetCodecFactory();
    return factory && std::unique_ptr<FCImageCodec>(factory->CreateImageCodec(type)) != nullptr;
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L'/');
    if (slash == std::wstring::npos) return std::wstring();
    return slash == 0 ? std::wstring(L"/") : path.substr(0, slash);
}

std::wstring Format(const char* format, auto... values)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, format, values...);
    return Utf8ToWide(buf);
}
} // namespace

void CImageDoc::KeepBackup(const std::wstring& target)
{
    CDocFiles& files = m_host.Files();
    const std::wstring backup = target + L".BAK";
    if (files.Exists(backup) && !files.Remove(backup))
        Message(L"Impossible de supprimer le fichier .BAK", nullptr, DocMsgStyle::Error);
    if (!files.KeepAsBackup(target, backup))
        Message(L"Impossible de créer le fichier .BAK", nullptr, DocMsgStyle::Error);
}

bool CImageDoc::SaveTo(const std::wstring& path, int type)
{
    // A JPEG save gives the codec the quality setting; the document's own parameter (a GIF's
    // transparent index, for one) comes back afterwards.
    const int kept = m_properties.saveParameter;
    if (type == IMG_JPG) m_properties.saveParameter = GetJpegQuality();
    StampExifProperties();
    // The codec shares its work out over the threads the effects may use.
    const FCEffectRun run(GetNbThreads());
    const bool ok = m_image.Save(path.c_str(), m_properties);
    m_properties.saveParameter = kept;
    return ok;
}

bool CImageDoc::SaveWithBackup(const std::wstring& path, int type)
{
    if (!HasCodec(type)) return false;
    CDocFiles& files = m_host.Files();
    const std::wstring target = files.SaveTarget(path);
    if (files.IsSpecial(target)) return false; // a FIFO, a device, a folder: not ours to replace
    const std::wstring temp = files.CreateTemporary(target);
    if (temp.empty()) return false;
    if (!SaveTo(temp, type))
    {
        files.Remove(temp);
        return false;
    }
    // The new file is whole on the disk: only now is the old one kept aside, and the new one
    // takes its name in one step.
    const bool replacing = files.Exists(target);
    if (replacing)
    {
        files.CopyAttributes(target, temp);
        KeepBackup(target);
    }
    if (!files.Replace(temp, target))
    {
        files.Remove(temp);
        return false;
    }
    return true;
}

void CImageDoc::OnFileSave()
{
    if (m_path.empty() || m_readOnly)
    {
        OnFileSaveAs();
        return;
    }
    CWaitCursor wait(m_host);
    StopPreviewJob();
    const bool saved = SaveWithBackup(m_path, QueryType(m_path));
    if (saved)
        m_modified = false;
    else
        Message(m_path + L"\nErreur d'enregistrement du fichier", nullptr, DocMsgStyle::Error);
    UpdateAllViews();
}

void CImageDoc::OnFileSaveAs()
{
    const std::wstring initialFolder = m_path.empty() ? m_host.LastFolder() : std::wstring();
    const std::optional<SaveAsChoice> choice = m_host.AskSaveAs(m_path, initialFolder);
    if (!choice) return;
    // The next file dialog starts where this file went.
    m_host.SetLastFolder(FolderOf(choice->path));

    CWaitCursor wait(m_host);
    StopPreviewJob();
    const int type = QueryType(choice->path);
    // Nothing on disk is touched before the type and its codec are known.
    const bool saved = type != IMG_UNKNOWN && SaveWithBackup(choice->path, type);
    if (saved)
    {
        m_modified = false;
        m_path = choice->path;
        // The file just written is ours to write again.
        m_readOnly = false;
        m_host.AddRecentFile(m_path);
    }
    else
        Message(choice->fileTitle + L"\n" +
                    (type == IMG_UNKNOWN ? L"Type de fichier inconnu (extension)"
                                         : L"Erreur d'enregistrement du fichier"),
                nullptr, DocMsgStyle::Error);
    UpdateAllViews();
}

void CImageDoc::StampExifProperties()
{
    std::vector<std::string>& items = m_properties.rawItems;
    // Replaces the first item whose tag has the same (non-empty) name by `item`, at the end.
    auto replace = [&items](unsigned tag, const std::string& item)
    {
        const std::wstring name = PropertyTagName(tag);
        for (auto it = items.begin(); it != items.end(); ++it)
        {
            PropertyItem unpacked;
            if (!UnpackPropertyItem(*it, unpacked)) continue;
            const std::wstring itemName = PropertyTagName(unpacked.id);
            if (!itemName.empty() && itemName == name)
            {
                items.erase(it);
                break;
            }
        }
        items.push_back(item);
    };

    if (GetExifWriteSoftware() != 0)
    {
        const VersionStrings v = m_host.ProgramVersion();
        std::string text = WideToUtf8(v.description + L" " + v.version + L" " + v.copyright);
        text.push_back('\0');
        replace(305, PackPropertyItem(305, kPropertyTypeASCII, unsigned(text.size()), text.data()));
    }
    if (GetExifWriteDate() != 0)
    {
        const std::tm t = m_host.LocalTime();
        char buf[96];
        std::snprintf(buf, sizeof buf, "%04d:%02d:%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                      t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        std::string text(buf);
        text.resize(19); // 19 characters and the terminating zero, whatever the clock says
        text.push_back('\0');
        replace(306, PackPropertyItem(306, kPropertyTypeASCII, unsigned(text.size()), text.data()));
    }
}

bool CImageDoc::QuerySaveModified(bool force)
{
    if (!m_modified) return true;
    if (!force && m_views.size() > 1) return true; // not the last window of the document
    switch (m_host.MessageBox(L"Sauver " + GetTitle() + L" ?", kProductTitle, DocMsgStyle::Question))
    {
    case DocMsgAnswer::Yes:
        OnFileSave();
        // A save that failed or was cancelled keeps the window open: nothing is lost silently.
        return !m_modified;
    case DocMsgAnswer::No:
        m_modified = false;
        return true;
    default:
        return false;
    }
}

std::wstring CImageDoc::GetInfoText() const
{
    std::wstring text = m_path + L"\r\n";
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    if (!m_path.empty() && m_host.Files().Stat(m_path, size, lastWrite))
    {
        text += Format("\r\nFichier : %" PRIu64 " octets (%" PRIu64 " K)\r\n", size, size / 1024);
        const std::time_t when = std::time_t(lastWrite);
        std::tm t{};
        gmtime_r(&when, &t); // shown as the file system keeps it, in universal time
        text += Format("Modifié : %02d/%02d/%04d %02d:%02d:%02d\r\n", t.tm_mday, t.tm_mon + 1,
                       t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    }
    text += Format("\r\nTaille : %d x %d - %d bits\r\n\r\n", m_image.Width(), m_image.Height(),
                   m_image.ColorBits());
    if (!m_properties.dateTaken.empty()) text += L"Date : " + Bytes8ToWide(m_properties.dateTaken) + L"\r\n";
    if (!m_properties.make.empty()) text += L"Marque : " + Bytes8ToWide(m_properties.make) + L"\r\n";
    if (!m_properties.model.empty()) text += L"Modèle : " + Bytes8ToWide(m_properties.model) + L"\r\n";
    for (const std::string& packed : m_properties.rawItems)
    {
        PropertyItem item;
        if (!UnpackPropertyItem(packed, item)) continue;
        const std::wstring name = PropertyTagName(item.id);
        if (!name.empty()) text += name + L" - " + FormatPropertyValue(item) + L"\r\n";
    }
    return text;
}

void CImageDoc::OnFileInfo()
{
    m_host.ShowInfo(m_path, GetTitle(), GetInfoText());
}
