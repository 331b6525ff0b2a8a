-- Persons, staff positions and staff movements of the ERP system.

create schema cmn_contractor;
create schema hrms_staffpos;
create schema hrms_movement;

create table cmn_contractor.person (
    id         t_id primary key,
    -- Every person's code is an integer written as text: the journal joins all
    -- persons by s_code::t_integer (employees or not), so one non-numeric code
    -- would break every journal query.
    s_code     text not null check (s_code ~ '^[0-9]{1,9}$'),
    s_caption  text not null,          -- "Фамилия И.О."
    b_employee boolean not null default false
);
-- The worker number is unique; the journal, timesheet and reports join on it.
create unique index person_code_int on cmn_contractor.person ((s_code::integer));
create index person_code_t_int on cmn_contractor.person ((s_code::t_integer));

create table hrms_staffpos.staffpos (
    id        t_id primary key,
    s_caption text not null
);

create table hrms_movement.movement (
    id          t_id primary key,
    id_employee t_id not null references cmn_contractor.person(id),
    id_staffpos t_id not null references hrms_staffpos.staffpos(id),
    d_begin     t_date not null,
    d_end       t_date,                -- null: open-ended
    check (d_end is null or d_end >= d_begin)
);
create index movement_employee on hrms_movement.movement (id_employee);
