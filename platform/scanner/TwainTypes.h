// The records and codes of the scanner protocol the program speaks with its data source manager
// and its sources: the published values of version 2.4, records packed on 2-byte boundaries with
// fixed-width fields, so that a manager or a source built elsewhere reads them alike. Both sides
// of our own (the program, our manager and its sources) include this one header.
#pragma once

#include <cstdint>

using TW_INT8 = std::int8_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_UINT8 = std::uint8_t;
using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_HANDLE = void*;
using TW_MEMREF = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)

struct TW_FIX32
{
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_VERSION
{
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY
{
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_ONEVALUE
{
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

struct TW_ENUMERATION
{
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT8 ItemList[1];
};

struct TW_RANGE
{
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
};

struct TW_CAPABILITY
{
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_STATUS
{
    TW_UINT16 ConditionCode;
    TW_UINT16 Data;
};

struct TW_USERINTERFACE
{
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_EVENT
{
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_PENDINGXFERS
{
    TW_UINT16 Count;
    TW_UINT32 EOJ;
};

struct TW_IMAGEINFO
{
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};

struct TW_SETUPMEMXFER
{
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
};

struct TW_MEMORY
{
    TW_UINT32 Flags;
    TW_UINT32 Length;
    TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER
{
    TW_UINT16 Compression;
    TW_UINT32 BytesPerRow;
    TW_UINT32 Columns;
    TW_UINT32 Rows;
    TW_UINT32 XOffset;
    TW_UINT32 YOffset;
    TW_UINT32 BytesWritten;
    TW_MEMORY Memory;
};

struct TW_ELEMENT8
{
    TW_UINT8 Index;
    TW_UINT8 Channel1;
    TW_UINT8 Channel2;
    TW_UINT8 Channel3;
};

struct TW_PALETTE8
{
    TW_UINT16 NumColors;
    TW_UINT16 PaletteType;
    TW_ELEMENT8 Colors[256];
};

#pragma pack(pop)

static_assert(sizeof(TW_FIX32) == 4);
static_assert(sizeof(TW_VERSION) == 42);
static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(sizeof(TW_ONEVALUE) == 6);
static_assert(sizeof(TW_ENUMERATION) == 16);
static_assert(sizeof(TW_RANGE) == 22);
static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(TW_HANDLE));
static_assert(sizeof(TW_STATUS) == 4);
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(TW_HANDLE));
static_assert(sizeof(TW_EVENT) == sizeof(TW_MEMREF) + 2);
static_assert(sizeof(TW_PENDINGXFERS) == 6);
static_assert(sizeof(TW_IMAGEINFO) == 42);
static_assert(sizeof(TW_SETUPMEMXFER) == 12);
static_assert(sizeof(TW_MEMORY) == 8 + sizeof(TW_MEMREF));
static_assert(sizeof(TW_IMAGEMEMXFER) == 26 + sizeof(TW_MEMORY));
static_assert(sizeof(TW_ELEMENT8) == 4);
static_assert(sizeof(TW_PALETTE8) == 1028);

// The manager's and a source's entry point.
extern "C"
{
    typedef TW_UINT16 (*DSMENTRYPROC)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                                      TW_UINT16 msg, TW_MEMREF data);
    typedef TW_UINT16 (*DSENTRYPROC)(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                     TW_MEMREF data);
}

// Protocol version.
constexpr TW_UINT16 TWON_PROTOCOLMAJOR = 2;
constexpr TW_UINT16 TWON_PROTOCOLMINOR = 4;

// Data groups.
constexpr TW_UINT32 DG_CONTROL = 0x0001;
constexpr TW_UINT32 DG_IMAGE = 0x0002;
constexpr TW_UINT32 DG_AUDIO = 0x0004;

// Data argument types.
constexpr TW_UINT16 DAT_NULL = 0x0000;
constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
constexpr TW_UINT16 DAT_EVENT = 0x0002;
constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
constexpr TW_UINT16 DAT_PARENT = 0x0004;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
constexpr TW_UINT16 DAT_SETUPMEMXFER = 0x0006;
constexpr TW_UINT16 DAT_SETUPFILEXFER = 0x0007;
constexpr TW_UINT16 DAT_STATUS = 0x0008;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
constexpr TW_UINT16 DAT_XFERGROUP = 0x000a;
constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
constexpr TW_UINT16 DAT_IMAGEMEMXFER = 0x0103;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
constexpr TW_UINT16 DAT_IMAGEFILEXFER = 0x0105;
constexpr TW_UINT16 DAT_PALETTE8 = 0x010a;

// Messages.
constexpr TW_UINT16 MSG_NULL = 0x0000;
constexpr TW_UINT16 MSG_GET = 0x0001;
constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
constexpr TW_UINT16 MSG_SET = 0x0006;
constexpr TW_UINT16 MSG_RESET = 0x0007;
constexpr TW_UINT16 MSG_QUERYSUPPORT = 0x0008;
constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
constexpr TW_UINT16 MSG_CLOSEDSOK = 0x0103;
constexpr TW_UINT16 MSG_DEVICEEVENT = 0x0104;
constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
constexpr TW_UINT16 MSG_OPENDS = 0x0401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
constexpr TW_UINT16 MSG_ENABLEDSUIONLY = 0x0503;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
constexpr TW_UINT16 MSG_ENDXFER = 0x0701;
constexpr TW_UINT16 MSG_STOPFEEDER = 0x0702;

// Return codes.
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWRC_ENDOFLIST = 7;
constexpr TW_UINT16 TWRC_INFONOTSUPPORTED = 8;
constexpr TW_UINT16 TWRC_DATANOTAVAILABLE = 9;

// Condition codes.
constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_BADVALUE = 10;
constexpr TW_UINT16 TWCC_SEQERROR = 11;
constexpr TW_UINT16 TWCC_BADDEST = 12;
constexpr TW_UINT16 TWCC_CAPUNSUPPORTED = 13;
constexpr TW_UINT16 TWCC_CAPBADOPERATION = 14;
constexpr TW_UINT16 TWCC_CAPSEQERROR = 15;
constexpr TW_UINT16 TWCC_DENIED = 16;
constexpr TW_UINT16 TWCC_PAPERJAM = 20;
constexpr TW_UINT16 TWCC_PAPERDOUBLEFEED = 21;
constexpr TW_UINT16 TWCC_CHECKDEVICEONLINE = 23;
constexpr TW_UINT16 TWCC_NOMEDIA = 29;

// Container types.
constexpr TW_UINT16 TWON_ARRAY = 3;
constexpr TW_UINT16 TWON_ENUMERATION = 4;
constexpr TW_UINT16 TWON_ONEVALUE = 5;
constexpr TW_UINT16 TWON_RANGE = 6;
constexpr TW_UINT16 TWON_DONTCARE16 = 0xffff;

// Item types.
constexpr TW_UINT16 TWTY_INT8 = 0x0000;
constexpr TW_UINT16 TWTY_INT16 = 0x0001;
constexpr TW_UINT16 TWTY_INT32 = 0x0002;
constexpr TW_UINT16 TWTY_UINT8 = 0x0003;
constexpr TW_UINT16 TWTY_UINT16 = 0x0004;
constexpr TW_UINT16 TWTY_UINT32 = 0x0005;
constexpr TW_UINT16 TWTY_BOOL = 0x0006;
constexpr TW_UINT16 TWTY_FIX32 = 0x0007;
constexpr TW_UINT16 TWTY_STR32 = 0x0009;

// Capabilities.
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
constexpr TW_UINT16 ICAP_COMPRESSION = 0x0100;
constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
constexpr TW_UINT16 ICAP_UNITS = 0x0102;
constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
constexpr TW_UINT16 CAP_FEEDERENABLED = 0x1002;
constexpr TW_UINT16 CAP_FEEDERLOADED = 0x1003;
constexpr TW_UINT16 CAP_SUPPORTEDCAPS = 0x1005;
constexpr TW_UINT16 CAP_UICONTROLLABLE = 0x100e;
constexpr TW_UINT16 ICAP_PHYSICALWIDTH = 0x1111;
constexpr TW_UINT16 ICAP_PHYSICALHEIGHT = 0x1112;
constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
constexpr TW_UINT16 ICAP_PIXELFLAVOR = 0x111f;
constexpr TW_UINT16 ICAP_BITDEPTH = 0x112b;

// Pixel types.
constexpr TW_UINT16 TWPT_BW = 0;
constexpr TW_UINT16 TWPT_GRAY = 1;
constexpr TW_UINT16 TWPT_RGB = 2;
constexpr TW_UINT16 TWPT_PALETTE = 3;

// Units.
constexpr TW_UINT16 TWUN_INCHES = 0;
constexpr TW_UINT16 TWUN_CENTIMETERS = 1;
constexpr TW_UINT16 TWUN_PICAS = 2;
constexpr TW_UINT16 TWUN_POINTS = 3;
constexpr TW_UINT16 TWUN_TWIPS = 4;
constexpr TW_UINT16 TWUN_PIXELS = 5;
constexpr TW_UINT16 TWUN_MILLIMETERS = 6;

// Pixel flavours: which value is the darkest.
constexpr TW_UINT16 TWPF_CHOCOLATE = 0;
constexpr TW_UINT16 TWPF_VANILLA = 1;

// Memory flags.
constexpr TW_UINT32 TWMF_APPOWNS = 0x0001;
constexpr TW_UINT32 TWMF_DSMOWNS = 0x0002;
constexpr TW_UINT32 TWMF_DSOWNS = 0x0004;
constexpr TW_UINT32 TWMF_POINTER = 0x0008;
constexpr TW_UINT32 TWMF_HANDLE = 0x0010;

// Transfer mechanisms, compression, palette types.
constexpr TW_UINT16 TWSX_NATIVE = 0;
constexpr TW_UINT16 TWSX_FILE = 1;
constexpr TW_UINT16 TWSX_MEMORY = 2;
constexpr TW_UINT16 TWCP_NONE = 0;
constexpr TW_UINT16 TWPA_RGB = 0;
constexpr TW_UINT16 TWPA_GRAY = 1;

// Languages and countries used by the program.
constexpr TW_UINT16 TWLG_FRENCH = 5;
constexpr TW_UINT16 TWLG_ENGLISH_USA = 13;
constexpr TW_UINT16 TWCY_USA = 1;
constexpr TW_UINT16 TWCY_FRANCE = 33;
