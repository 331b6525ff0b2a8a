-- Closed months: once a month's wages are paid, its positions, their material rows and its
-- timesheet cells stay as they were paid, whichever client writes.
--
-- A month is closed and reopened only through accounts_dep.close_month and reopen_month, which
-- run as their owner tabel_close (roles.sql), a role nobody logs in as; members of the group
-- tabel_closer may call them. Both are written to the history (kinds 'close' and 'reopen').
--
-- A close meeting a save: every write of a month first takes that month's advisory lock shared
-- (key -1, year * 100 + month), the close takes it exclusive. A save that holds it commits
-- before the close goes on; a save that comes later waits for the close's commit and then,
-- with a statement of its own, sees the month closed. Under repeatable read a later save
-- cannot see the close row, so its check also tries to insert that row and is refused by the
-- key it meets.

create table if not exists accounts_dep.closed_month (
    year      smallint not null,
    month     smallint not null check (month between 1 and 12),
    closed_by text not null,          -- the session's login
    closed_at timestamptz not null,   -- the transaction's start, server time
    primary key (year, month)
);

-- Nobody but the two routines writes the table, its owner included.
create or replace function accounts_dep.closed_month_refuse() returns trigger
language plpgsql as $$
begin
    raise exception 'Месяцы закрывают и открывают только функции accounts_dep.close_month и '
                    'accounts_dep.reopen_month'
        using errcode = 'insufficient_privilege';
end $$;

create or replace trigger closed_month_refuse
    before insert or update or delete on accounts_dep.closed_month
    for each row when (current_user <> 'tabel_close')
    execute function accounts_dep.closed_month_refuse();
create or replace trigger closed_month_refuse_truncate
    before truncate on accounts_dep.closed_month
    for each statement execute function accounts_dep.closed_month_refuse();

-- Under repeatable read and serializable, a close committed after the transaction's snapshot
-- is invisible to it; its key is not. An insert of the month's row in a subtransaction meets
-- that key and fails to serialize; the row is never kept. Runs as tabel_close, which alone
-- may insert.
create or replace function accounts_dep.closed_month_since_snapshot(p_year integer,
                                                                    p_month integer)
returns boolean
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    begin
        insert into accounts_dep.closed_month (year, month, closed_by, closed_at)
        values (p_year, p_month, '', now())
        on conflict do nothing;
        raise exception using errcode = 'P0004'; -- undo the probe
    exception
        when serialization_failure or unique_violation then
            return true;
        when assert_failure then
            return false;
    end;
end $$;

-- Refuses a write of the date's month when it is closed; the message names the month.
create or replace function accounts_dep.month_check(p_date date) returns void
language plpgsql as $$
declare
    y constant integer := extract(year from p_date);
    m constant integer := extract(month from p_date);
    closed boolean;
begin
    perform pg_advisory_xact_lock_shared(-1, y * 100 + m);
    closed := exists (select from accounts_dep.closed_month c where c.year = y and c.month = m);
    if not closed and current_setting('transaction_isolation') <> 'read committed' then
        closed := accounts_dep.closed_month_since_snapshot(y, m);
    end if;
    if closed then
        raise exception 'Месяц %.% закрыт: позиции, материалы и табель этого месяца не изменяются',
                        lpad(m::text, 2, '0'), y
            using errcode = 'check_violation';
    end if;
end $$;

create or replace function accounts_dep.smena_month_check() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'INSERT' then
        perform accounts_dep.month_check(old.data);
    end if;
    if tg_op = 'INSERT' or (new.data is distinct from old.data
                            and date_trunc('month', new.data) <> date_trunc('month', old.data)) then
        perform accounts_dep.month_check(new.data);
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end $$;

create or replace trigger smena_month_check
    before insert or update or delete on accounts_dep.smena
    for each row execute function accounts_dep.smena_month_check();

-- A material row belongs to its position's month.
create or replace function accounts_dep.smena_gds_use_month_check() returns trigger
language plpgsql as $$
declare
    d date;
begin
    if tg_op <> 'INSERT' then
        select s.data into d from accounts_dep.smena s where s.id = old.id_smena;
        if found then
            perform accounts_dep.month_check(d);
        end if;
    end if;
    if tg_op <> 'DELETE' then
        select s.data into d from accounts_dep.smena s where s.id = new.id_smena;
        if found then
            perform accounts_dep.month_check(d);
        end if;
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end $$;

create or replace trigger smena_gds_use_month_check
    before insert or update or delete on accounts_dep.smena_gds_use
    for each row execute function accounts_dep.smena_gds_use_month_check();

create or replace function accounts_dep.h_tabel_month_check() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'INSERT' then
        perform accounts_dep.month_check(make_date(old.year, old.month, 1));
    end if;
    if tg_op <> 'DELETE' and (tg_op = 'INSERT' or (new.year, new.month) <> (old.year, old.month)) then
        perform accounts_dep.month_check(make_date(new.year, new.month, 1));
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end $$;

create or replace trigger h_tabel_month_check
    before insert or update or delete on accounts_dep.h_tabel
    for each row execute function accounts_dep.h_tabel_month_check();

-- Closes a month: a month closed already is an error. Waits for the saves of the month under
-- way; those after it are refused.
create or replace function accounts_dep.close_month(p_year integer, p_month integer)
returns void
language plpgsql as $$
begin
    if p_month is null or p_month not between 1 and 12 or p_year is null
       or p_year not between 1900 and 9999 then
        raise exception 'Нет такого месяца: %.%', p_month, p_year
            using errcode = 'invalid_parameter_value';
    end if;
    perform pg_advisory_xact_lock(-1, p_year * 100 + p_month);
    insert into accounts_dep.closed_month (year, month, closed_by, closed_at)
    values (p_year, p_month, session_user, now())
    on conflict do nothing;
    if not found then
        raise exception 'Месяц %.% уже закрыт', lpad(p_month::text, 2, '0'), p_year
            using errcode = 'unique_violation';
    end if;
    insert into accounts_dep.smena_log (at, login, kind, id_smena, data)
    values (now(), session_user, 'close', null, make_date(p_year, p_month, 1));
end $$;

create or replace function accounts_dep.reopen_month(p_year integer, p_month integer)
returns void
language plpgsql as $$
begin
    perform pg_advisory_xact_lock(-1, p_year * 100 + p_month);
    delete from accounts_dep.closed_month where year = p_year and month = p_month;
    if not found then
        raise exception 'Месяц %.% не закрыт', lpad(p_month::text, 2, '0'), p_year
            using errcode = 'no_data_found';
    end if;
    insert into accounts_dep.smena_log (at, login, kind, id_smena, data)
    values (now(), session_user, 'reopen', null, make_date(p_year, p_month, 1));
end $$;

-- The history's kinds 'close' and 'reopen' come from the two routines alone, and they write no
-- other kind: a forged close in the history would point at the wrong person.
create or replace function accounts_dep.smena_log_kind_check() returns trigger
language plpgsql as $$
begin
    if (new.kind in ('close', 'reopen')) <> (current_user = 'tabel_close') then
        raise exception 'Запись вида "%" в историю журнала может сделать только её функция',
                        new.kind
            using errcode = 'insufficient_privilege';
    end if;
    return new;
end $$;

create or replace trigger smena_log_kind_check before insert on accounts_dep.smena_log
    for each row execute function accounts_dep.smena_log_kind_check();
