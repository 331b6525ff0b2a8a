namespace timesheet {}
