#include "platform/known_folder_table.h"

#include <knownfolders.h>

namespace zu {

// No row carries a CSIDL flag bit (no CSIDL_FLAG_CREATE): a missing folder
// stays missing.
const FolderMapEntry kFolderMap[] = {
    {&FOLDERID_AdminTools, CSIDL_ADMINTOOLS},
    {&FOLDERID_CDBurning, CSIDL_CDBURN_AREA},
    {&FOLDERID_CommonAdminTools, CSIDL_COMMON_ADMINTOOLS},
    {&FOLDERID_CommonOEMLinks, CSIDL_COMMON_OEM_LINKS},
    {&FOLDERID_CommonPrograms, CSIDL_COMMON_PROGRAMS},
    {&FOLDERID_CommonStartMenu, CSIDL_COMMON_STARTMENU},
    {&FOLDERID_CommonStartup, CSIDL_COMMON_STARTUP},
    {&FOLDERID_CommonTemplates, CSIDL_COMMON_TEMPLATES},
    {&FOLDERID_Cookies, CSIDL_COOKIES},
    {&FOLDERID_Desktop, CSIDL_DESKTOPDIRECTORY},
    {&FOLDERID_Documents, CSIDL_PERSONAL},
    {&FOLDERID_Favorites, CSIDL_FAVORITES},
    {&FOLDERID_Fonts, CSIDL_FONTS},
    {&FOLDERID_History, CSIDL_HISTORY},
    {&FOLDERID_InternetCache, CSIDL_INTERNET_CACHE},
    {&FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA},
    {&FOLDERID_LocalizedResourcesDir, CSIDL_RESOURCES_LOCALIZED},
    {&FOLDERID_Music, CSIDL_MYMUSIC},
    {&FOLDERID_NetHood, CSIDL_NETHOOD},
    {&FOLDERID_Pictures, CSIDL_MYPICTURES},
    {&FOLDERID_PrintHood, CSIDL_PRINTHOOD},
    {&FOLDERID_Profile, CSIDL_PROFILE},
    {&FOLDERID_ProgramData, CSIDL_COMMON_APPDATA},
    {&FOLDERID_ProgramFiles, CSIDL_PROGRAM_FILES},
    {&FOLDERID_ProgramFilesX86, CSIDL_PROGRAM_FILESX86},
    {&FOLDERID_ProgramFilesCommon, CSIDL_PROGRAM_FILES_COMMON},
    {&FOLDERID_ProgramFilesCommonX86, CSIDL_PROGRAM_FILES_COMMONX86},
    {&FOLDERID_Programs, CSIDL_PROGRAMS},
    {&FOLDERID_PublicDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
    {&FOLDERID_PublicDocuments, CSIDL_COMMON_DOCUMENTS},
    {&FOLDERID_PublicMusic, CSIDL_COMMON_MUSIC},
    {&FOLDERID_PublicPictures, CSIDL_COMMON_PICTURES},
    {&FOLDERID_PublicVideos, CSIDL_COMMON_VIDEO},
    {&FOLDERID_Recent, CSIDL_RECENT},
    {&FOLDERID_ResourceDir, CSIDL_RESOURCES},
    {&FOLDERID_RoamingAppData, CSIDL_APPDATA},
    {&FOLDERID_SendTo, CSIDL_SENDTO},
    {&FOLDERID_StartMenu, CSIDL_STARTMENU},
    {&FOLDERID_Startup, CSIDL_STARTUP},
    {&FOLDERID_System, CSIDL_SYSTEM},
    {&FOLDERID_SystemX86, CSIDL_SYSTEMX86},
    {&FOLDERID_Templates, CSIDL_TEMPLATES},
    {&FOLDERID_Videos, CSIDL_MYVIDEO},
    {&FOLDERID_Windows, CSIDL_WINDOWS},
};

const std::size_t kFolderMapSize = sizeof(kFolderMap) / sizeof(kFolderMap[0]);
static_assert(sizeof(kFolderMap) / sizeof(kFolderMap[0]) == 44, "every known folder with a CSIDL");

}  // namespace zu
