#pragma once
// The base of the two scheduler pages: the record they edit.
#include "propsheet.h"
#include "scheduler_project.h"

class CSchedulerPage : public CPropertyPage {
public:
    // The record is not owned and outlives the page. loadSchedule: the record already
    // holds a schedule for the settings page to show.
    CSchedulerPage(UINT templateId, SchedulerProject* project, bool loadSchedule)
        : CPropertyPage(templateId), project_(project), loadFlag_(loadSchedule ? 1 : 0)
    {
    }

protected:
    SchedulerProject* project_;
    uint8_t loadFlag_;
};
