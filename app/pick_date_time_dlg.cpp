#include "pick_date_time_dlg.h"
#include "res/resource.h"

CPickDateTimeDlg::CPickDateTimeDlg(CWnd* parent) : CDialog(IDD_PICK_DATE_TIME, parent) {}

void CPickDateTimeDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_MonthCalCtrl(dx, IDC_PICK_CALENDAR, dateTime);
    DDX_Text(dx, IDC_PICK_HOUR, hour);
    DDX_Text(dx, IDC_PICK_MINUTE, minute);
    DDX_Text(dx, IDC_PICK_SECOND, second);
}

BOOL CPickDateTimeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    hour = dateTime.GetHour();
    minute = dateTime.GetMinute();
    second = dateTime.GetSecond();
    UpdateData(FALSE);
    return TRUE;
}

void CPickDateTimeDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        MessageBox(L"Please enter valid time!", L"Error", MB_ICONERROR | MB_OK);
        return;
    }
    CDialog::OnOK();
}
