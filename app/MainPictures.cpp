// The main window's pictures, drawn in several sizes (resources/images) and
// taken in the size for the window's DPI, at creation and after a move to a
// monitor of another DPI.
#include "app/QuenloUnit1.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "resources/MainRes.h"

#include <utility>

// The folder picture in the size for the DPI; the list adds its sort arrows
// to the same images, at the same places, so the header keeps its arrow.
void TForm1::LoadFolderImages(int Dpi) {
  const int Size = PictureSizeForDpi(16, Dpi);
  UniqueImageList Images(ImageList_LoadImageW(Application().HInstance(),
                                              MAKEINTRESOURCEW(PictureStripId(IDB_FOLDERLIST_SIZED, Size)), Size, 0,
                                              RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  if (!Images) throw EResNotFound(L"Folder list images");
  VKRListView1.SetSmallImages(Images.get());
  VKRListView1.Loaded();
  FFolderImages = std::move(Images);
}

// The menus show the pictures of the toolbar buttons and of the popup strip.
void TForm1::LoadMenuPictures(int Dpi) {
  const HMENU MainMenu = GetMenu(Handle());
  const int Size = PictureSizeForDpi(16, Dpi);
  const int ToolStrip = PictureStripId(IDB_TOOLBAR_SIZED, Size);
  const int PopupStrip = PictureStripId(IDB_POPUPIMAGES_SIZED, Size);
  const struct {
    HMENU Menu;
    int Command;
    int Strip;
    int Image;
  } Pictures[] = {
      {MainMenu, IDM_ADDFOLDER, ToolStrip, IMG_ADDFOLDER},
      {MainMenu, IDM_REMOVEFOLDER, ToolStrip, IMG_REMOVEFOLDER},
      {MainMenu, IDM_EXIT, ToolStrip, IMG_EXIT},
      {MainMenu, IDM_SCAN, ToolStrip, IMG_SCAN},
      {MainMenu, IDM_DELETE, ToolStrip, IMG_DELETE},
      {MainMenu, IDM_STATISTICS, ToolStrip, IMG_STATISTICS},
      {MainMenu, IDM_OPTIONS, ToolStrip, IMG_OPTIONS},
      {MainMenu, IDM_FINDFOLDERS, ToolStrip, IMG_FINDFOLDERS},
      {MainMenu, IDM_ABOUT, ToolStrip, IMG_ABOUT},
      {FPopupMenu, IDM_EXPLOREFOLDER, PopupStrip, 0},
      {FPopupMenu, IDM_POPUPREMOVEFOLDER, PopupStrip, 1},
  };
  // The menus take the new pictures before the old ones are freed.
  TMenuImages Images;
  for (const auto& Picture : Pictures) Images.Assign(Picture.Menu, Picture.Command, Picture.Strip, Size, Picture.Image);
  FMenuImages = std::move(Images);
  if (MainMenu != nullptr) DrawMenuBar(Handle());
}

void TForm1::DpiChanged(int, int NewDpi) {
  LoadFolderImages(NewDpi);
  LoadMenuPictures(NewDpi);
  // The toolbar and the bars took their height for the DPI after the window
  // took its new size: the list fills what is left between them now.
  LayoutControls();
}
