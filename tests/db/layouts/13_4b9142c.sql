-- The journal's side of a plant's database as db/ of commit 4b9142c made it over the ERP
-- side of db/erp (no plant rows), schema version 2; a fixture of test_db_upgrade, made by
-- tests/db/add-layout-fixture. Loads with psql into a database holding db/erp only.
-- commit 4b9142cb231c16f431fea1e3ca51c082dfdcb59f
-- tree 4f2d7a35b193f1e7a571c36c9419df542e48c5bb

do $$ begin create role tab nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_accept nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_divide nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_log nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_operator nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_reader nologin; exception when duplicate_object then null; end $$;
do $$ begin create role tabel_user nologin; exception when duplicate_object then null; end $$;

--
-- PostgreSQL database dump
--


-- Dumped from database version 15.18 (Debian 15.18-0+deb12u1)
-- Dumped by pg_dump version 15.18 (Debian 15.18-0+deb12u1)

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

--
-- Name: accounts_dep; Type: SCHEMA; Schema: -; Owner: postgres
--

CREATE SCHEMA accounts_dep;


ALTER SCHEMA accounts_dep OWNER TO postgres;

--
-- Name: divide_between_person(bigint); Type: FUNCTION; Schema: accounts_dep; Owner: tabel_divide
--

CREATE FUNCTION accounts_dep.divide_between_person(p_id bigint) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER
    SET search_path TO 'pg_catalog', 'pg_temp'
    AS $_$
declare
    pos         accounts_dep.smena%rowtype;
    members     integer[];
    n           integer;
    good        numeric;
    share       numeric;
    rejects     integer;
    own_rejects integer;
    yr          smallint;
    mon         smallint;
begin
    select * into pos from accounts_dep.smena where id = p_id for update;
    if not found then
        raise exception 'Позиция журнала № % не найдена', p_id;
    end if;
    if pos.ok in ('ok', 'да') then
        raise exception 'Позиция журнала № % уже принята, делить её нельзя', p_id;
    end if;

    select array_agg(distinct p.s_code::integer order by p.s_code::integer)
      into members
    from accounts_dep.person_temp pt
    join cmn_contractor.person p on p.id = pt.id_person
    where pt.id_smena = p_id
      and p.s_code::integer is distinct from pos.w_id;

    n := 1 + coalesce(cardinality(members), 0);
    if n > 1 then
        rejects := coalesce(pos.brak, 0);
        good := coalesce(pos.kol_vo, 0)::numeric - rejects;
        if rejects < 0 then
            raise exception 'В позиции журнала № % брак меньше нуля (%), делить её нельзя',
                            p_id, rejects;
        end if;
        if good < 0 then
            raise exception
                'В позиции журнала № % брака (%) больше, чем изготовлено (%), делить её нельзя',
                p_id, rejects, coalesce(pos.kol_vo, 0);
        end if;
        share := trunc(good / n, 3);
        -- row k (0 = the worker) gets one reject more while k < rejects mod n
        own_rejects := rejects / n + case when rejects % n > 0 then 1 else 0 end;

        insert into accounts_dep.smena
            (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod,
             prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use, id_smena_from)
        select pos.data, pos.smena, m.w, pos.i_id, pos.o_id, pos.cena, share + r.brak, r.brak,
               pos.time, pos.color, 'no', pos.vvod, pos.prize, pos.id_doc, pos.id_doc_item, 0,
               pos.id_gds_use, 0, coalesce(pos.id_smena_from, pos.id)
        from unnest(members) with ordinality m(w, k)
        cross join lateral (
            select (rejects / n + case when m.k < rejects % n then 1 else 0 end)::smallint as brak
        ) r
        order by m.k;

        update accounts_dep.smena
           set kol_vo = good - share * (n - 1) + own_rejects,
               brak = own_rejects
         where id = p_id;

        yr := extract(year from pos.data);
        mon := extract(month from pos.data);
        -- a month rebuild must not interleave with the cells written here
        perform pg_advisory_xact_lock_shared(yr, mon);
        -- The members' rows are locked before their sums are read, in a statement of its
        -- own: a roll-up that held one meanwhile has committed by then and its hours count.
        insert into accounts_dep.h_tabel (w_id, smena, month, year)
        select m, pos.smena, mon, yr from unnest(members) m order by m
        on conflict (w_id, smena, month, year) do nothing;
        perform 1 from accounts_dep.h_tabel h
        where h.w_id = any (members) and h.smena = pos.smena and h.month = mon and h.year = yr
        order by h.w_id
        for update;

        execute format(
            'update accounts_dep.h_tabel h
                set d%s = (select coalesce(sum(s.time), 0) from accounts_dep.smena s
                           where s.w_id = h.w_id and s.smena = $1 and s.data = $4)
              where h.w_id = any ($5) and h.smena = $1 and h.month = $2 and h.year = $3',
            extract(day from pos.data)::integer)
        using pos.smena, mon, yr, pos.data, members;
    end if;

    delete from accounts_dep.person_temp where id_smena = p_id;
end $_$;


ALTER FUNCTION accounts_dep.divide_between_person(p_id bigint) OWNER TO tabel_divide;

--
-- Name: get_doc_item_by_gds(public.t_id, public.t_id); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.get_doc_item_by_gds(p_id_gds public.t_id, p_id_gds_color public.t_id) RETURNS TABLE(id public.t_id, s_caption text, f_qty_need numeric, id_doc public.t_id, s_doc_hl text)
    LANGUAGE sql STABLE
    AS $$
    select x.id, format('%s: %s %s', x.s_doc_hl, accounts_dep.qty_text(x.need), x.s_msm_ident),
           x.need, x.id_doc, x.s_doc_hl
    from (
        select l.id, l.id_doc, l.s_msm_ident,
               format('Заявка № %s от %s', l.s_number, to_char(l.d_date, 'dd.mm.yyyy')) as s_doc_hl,
               l.f_qty - l.made as need,
               l.d_date
        from accounts_dep.v_mnf_open_line l
        where l.id_gds = p_id_gds and l.id_gds_color = coalesce(p_id_gds_color, 0)
    ) x
    where x.need > 0
    order by x.d_date, x.id
$$;


ALTER FUNCTION accounts_dep.get_doc_item_by_gds(p_id_gds public.t_id, p_id_gds_color public.t_id) OWNER TO postgres;

--
-- Name: get_doc_item_caption_by_smena(bigint); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.get_doc_item_caption_by_smena(p_id bigint) RETURNS TABLE(id public.t_id, s_caption text)
    LANGUAGE sql STABLE
    AS $$
    select di.id,
           format('%s%s, %s %s', g.s_caption,
                  case when di.id_gds_color <> 0
                       then format(' (%s)', coalesce(c.s_caption, di.id_gds_color::text)) else '' end,
                  replace(trim_scale(di.f_qty)::text, '.', ','), g.s_msm_ident)
    from accounts_dep.smena s
    join mnf_doc.doc_item di on di.id = s.id_doc_item
    join cmn_gds_and_srv.gds_and_srv g on g.id = di.id_gds
    left join cmn_gds_and_srv.gds_and_srv c on c.id = di.id_gds_color
    where s.id = p_id
$$;


ALTER FUNCTION accounts_dep.get_doc_item_caption_by_smena(p_id bigint) OWNER TO postgres;

--
-- Name: get_gds_from_by_smena(bigint); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.get_gds_from_by_smena(p_id_smena bigint) RETURNS TABLE(id public.t_id, s_caption text, b_is_color boolean)
    LANGUAGE sql STABLE
    AS $$
    select x.id, x.s_caption, x.b_is_color
    from (
        select distinct on (g.id) g.id, g.s_caption, m.b_is_color
        from (
            select o.id_gds_from as id_gds, false as b_is_color
            from accounts_dep.smena s
            join mnf_operation.operation o on o.id_gds_to = s.i_id
            where s.id = p_id_smena
            union all
            select s.color, true
            from accounts_dep.smena s
            where s.id = p_id_smena and s.color > 0
        ) m
        join cmn_gds_and_srv.gds_and_srv g on g.id = m.id_gds
        order by g.id, m.b_is_color desc
    ) x
    order by x.b_is_color, x.s_caption
$$;


ALTER FUNCTION accounts_dep.get_gds_from_by_smena(p_id_smena bigint) OWNER TO postgres;

--
-- Name: get_reminder_qty_by_smena(bigint, public.t_id, text); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds public.t_id, p_mode text) RETURNS TABLE(s_full_caption text, f_qty numeric)
    LANGUAGE plpgsql STABLE
    AS $$
declare
    v_doc     t_id;
    v_unit    text;
    v_on_hand numeric;
    v_qty     numeric;
begin
    if p_mode is null or p_mode not in ('free', 'reserved') then
        raise exception 'Неизвестный вид остатка: "%" (ожидается free или reserved)', p_mode;
    end if;

    select coalesce(s.id_doc, 0) into v_doc from accounts_dep.smena s where s.id = p_id_smena;
    select g.s_msm_ident into v_unit from cmn_gds_and_srv.gds_and_srv g where g.id = p_id_gds;
    if v_doc is null or v_unit is null then
        return query select ''::text, 0::numeric;
        return;
    end if;

    if p_mode = 'reserved' then
        select greatest(coalesce((select sum(r.f_qty) from whs_stock.reserve r
                                  join whs_stock.consignment c on c.id = r.id_consignment
                                  where c.id_gds = p_id_gds and r.id_doc = v_doc and v_doc <> 0), 0)
                      - coalesce((select sum(u.f_qty_use)::numeric from accounts_dep.smena_gds_use u
                                  join accounts_dep.smena s on s.id = u.id_smena
                                  where u.id_gds_use = p_id_gds and s.id_doc = v_doc and v_doc <> 0), 0),
                        0)
          into v_qty;
        return query select format('В резерве по заявке: %s %s', accounts_dep.qty_text(v_qty), v_unit), v_qty;
        return;
    end if;

    select coalesce(sum(b.f_qty), 0) into v_on_hand
    from whs_stock.consignment c join whs_stock.balance b on b.id_consignment = c.id
    where c.id_gds = p_id_gds;

    with reserved as (
        select r.id_doc, sum(r.f_qty) as q
        from whs_stock.reserve r join whs_stock.consignment c on c.id = r.id_consignment
        where c.id_gds = p_id_gds
        group by r.id_doc
    ), used as (
        select coalesce(s.id_doc, 0) as id_doc, sum(u.f_qty_use)::numeric as q
        from accounts_dep.smena_gds_use u join accounts_dep.smena s on s.id = u.id_smena
        where u.id_gds_use = p_id_gds
        group by coalesce(s.id_doc, 0)
    )
    select greatest(v_on_hand - coalesce(sum(greatest(coalesce(r.q, 0), coalesce(u.q, 0))), 0), 0)
      into v_qty
    from reserved r full join used u on u.id_doc = r.id_doc;

    return query select format('Свободно: %s %s', accounts_dep.qty_text(v_qty), v_unit), v_qty;
end $$;


ALTER FUNCTION accounts_dep.get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds public.t_id, p_mode text) OWNER TO postgres;

--
-- Name: h_tabel_notify(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.h_tabel_notify() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
declare
    r accounts_dep.h_tabel%rowtype;
begin
    if tg_op = 'DELETE' then
        r := old;
    elsif new is distinct from old or tg_op = 'INSERT' then
        r := new;
    else
        return null;
    end if;
    perform pg_notify('tabel_h_tabel',
                      concat_ws(' ', to_char(make_date(r.year, r.month, 1), 'YYYY-MM-DD'),
                                r.smena, 0));
    return null;
end $$;


ALTER FUNCTION accounts_dep.h_tabel_notify() OWNER TO postgres;

--
-- Name: oper_first_norm(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.oper_first_norm() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
begin
    insert into accounts_dep.norm (o_id, norma, price, prize)
    values (new.id, 0, coalesce(new.cena_new, 0), 0);
    return null;
end $$;


ALTER FUNCTION accounts_dep.oper_first_norm() OWNER TO postgres;

--
-- Name: qty_text(numeric); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.qty_text(q numeric) RETURNS text
    LANGUAGE sql IMMUTABLE
    AS $$
    select replace(trim_scale(round(coalesce(q, 0), 3))::text, '.', ',')
$$;


ALTER FUNCTION accounts_dep.qty_text(q numeric) OWNER TO postgres;

--
-- Name: show_consignment(public.t_id); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.show_consignment(p_id_gds public.t_id) RETURNS TABLE(id public.t_id, s_caption text, s_full_caption text, stock_s_caption text)
    LANGUAGE sql STABLE
    AS $$
    select c.id,
           format('Партия № %s от %s', c.s_number, to_char(c.d_date, 'dd.mm.yyyy')),
           format('%s: партия № %s от %s, остаток %s %s', g.s_caption, c.s_number,
                  to_char(c.d_date, 'dd.mm.yyyy'),
                  accounts_dep.qty_text(coalesce(b.f_qty, 0)), g.s_msm_ident),
           st.s_caption
    from whs_stock.consignment c
    join cmn_gds_and_srv.gds_and_srv g on g.id = c.id_gds
    join whs_stock.stock st on st.id = c.id_stock
    left join whs_stock.balance b on b.id_consignment = c.id
    where c.id_gds = p_id_gds
    order by c.d_date, c.id
$$;


ALTER FUNCTION accounts_dep.show_consignment(p_id_gds public.t_id) OWNER TO postgres;

--
-- Name: smena__accept_row_hwo(bigint); Type: FUNCTION; Schema: accounts_dep; Owner: tabel_accept
--

CREATE FUNCTION accounts_dep.smena__accept_row_hwo(p_id bigint) RETURNS void
    LANGUAGE plpgsql SECURITY DEFINER
    SET search_path TO 'pg_catalog', 'pg_temp'
    AS $$
begin
    update accounts_dep.smena s
       set ok = 'ok',
           prize = coalesce((select n.prize from accounts_dep.norm n
                             where n.o_id = s.o_id
                               and n.norma <= coalesce(s.kol_vo, 0) - coalesce(s.brak, 0)
                             order by n.norma desc, n.id
                             limit 1), 0)
     where s.id = p_id;
    if not found then
        raise exception 'Позиция журнала № % не найдена', p_id;
    end if;
end $$;


ALTER FUNCTION accounts_dep.smena__accept_row_hwo(p_id bigint) OWNER TO tabel_accept;

--
-- Name: smena_log_refuse(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.smena_log_refuse() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
begin
    raise exception 'История изменений журнала только пополняется: изменять и удалять её нельзя'
        using errcode = 'insufficient_privilege';
end $$;


ALTER FUNCTION accounts_dep.smena_log_refuse() OWNER TO postgres;

--
-- Name: smena_log_row(); Type: FUNCTION; Schema: accounts_dep; Owner: tabel_log
--

CREATE FUNCTION accounts_dep.smena_log_row() RETURNS trigger
    LANGUAGE plpgsql SECURITY DEFINER
    SET search_path TO 'pg_catalog', 'pg_temp'
    AS $$
declare
    v_old      jsonb;
    v_new      jsonb;
    v_kind     text;
    v_row      accounts_dep.smena%rowtype;
    v_division constant boolean := tg_nargs > 0 and tg_argv[0] = 'divide';
begin
    if tg_op = 'INSERT' then
        v_new := to_jsonb(new);
        v_kind := case when v_division then 'divide' else 'insert' end;
        v_row := new;
    elsif tg_op = 'DELETE' then
        v_old := to_jsonb(old);
        v_kind := 'delete';
        v_row := old;
    else
        select jsonb_object_agg(o.key, o.value), jsonb_object_agg(o.key, n.value)
          into v_old, v_new
        from jsonb_each(to_jsonb(old)) o
        join jsonb_each(to_jsonb(new)) n on n.key = o.key
        where o.value is distinct from n.value;
        if v_old is null then
            return null; -- written as it was
        end if;
        v_kind := case when new.ok in ('ok', 'да') and coalesce(old.ok, '') not in ('ok', 'да')
                       then 'accept'
                       when v_division then 'divide'
                       else 'update' end;
        v_row := new;
    end if;
    insert into accounts_dep.smena_log (at, login, kind, id_smena, data, smena, w_id, old, new)
    values (now(), session_user, v_kind, v_row.id, v_row.data, v_row.smena, v_row.w_id,
            v_old, v_new);
    return null;
end $$;


ALTER FUNCTION accounts_dep.smena_log_row() OWNER TO tabel_log;

--
-- Name: smena_notify(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.smena_notify() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
begin
    if tg_op = 'UPDATE' and new is not distinct from old then
        return null;
    end if;
    if tg_op <> 'INSERT' then
        perform pg_notify('tabel_smena',
                          concat_ws(' ', to_char(old.data, 'YYYY-MM-DD'), old.smena, old.id));
    end if;
    if tg_op = 'INSERT'
       or (tg_op = 'UPDATE' and (new.data, new.smena) is distinct from (old.data, old.smena)) then
        perform pg_notify('tabel_smena',
                          concat_ws(' ', to_char(new.data, 'YYYY-MM-DD'), new.smena, new.id));
    end if;
    return null;
end $$;


ALTER FUNCTION accounts_dep.smena_notify() OWNER TO postgres;

--
-- Name: truncate_refuse(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.truncate_refuse() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
begin
    raise exception '%', tg_argv[0] using errcode = 'insufficient_privilege';
end $$;


ALTER FUNCTION accounts_dep.truncate_refuse() OWNER TO postgres;

--
-- Name: ver_stamp_check(); Type: FUNCTION; Schema: accounts_dep; Owner: postgres
--

CREATE FUNCTION accounts_dep.ver_stamp_check() RETURNS trigger
    LANGUAGE plpgsql
    SET "TimeZone" TO 'Etc/UTC'
    AS $$
declare
    tomorrow constant integer := to_char(current_date + 1, 'YYYYMMDD')::integer;
begin
    if new.d > tomorrow then
        raise exception 'Дата сборки % позже завтрашней даты сервера (%): метка версии не изменена',
                        new.d, tomorrow
            using errcode = 'check_violation';
    end if;
    if new.t not between 0 and 86399 then
        raise exception 'Время сборки % вне суток (0..86399): метка версии не изменена', new.t
            using errcode = 'check_violation';
    end if;
    return new;
end $$;


ALTER FUNCTION accounts_dep.ver_stamp_check() OWNER TO postgres;

SET default_tablespace = '';

SET default_table_access_method = heap;

--
-- Name: h_tabel; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.h_tabel (
    id integer NOT NULL,
    w_id integer NOT NULL,
    smena smallint NOT NULL,
    month smallint NOT NULL,
    year smallint NOT NULL,
    d1 smallint DEFAULT 0 NOT NULL,
    d2 smallint DEFAULT 0 NOT NULL,
    d3 smallint DEFAULT 0 NOT NULL,
    d4 smallint DEFAULT 0 NOT NULL,
    d5 smallint DEFAULT 0 NOT NULL,
    d6 smallint DEFAULT 0 NOT NULL,
    d7 smallint DEFAULT 0 NOT NULL,
    d8 smallint DEFAULT 0 NOT NULL,
    d9 smallint DEFAULT 0 NOT NULL,
    d10 smallint DEFAULT 0 NOT NULL,
    d11 smallint DEFAULT 0 NOT NULL,
    d12 smallint DEFAULT 0 NOT NULL,
    d13 smallint DEFAULT 0 NOT NULL,
    d14 smallint DEFAULT 0 NOT NULL,
    d15 smallint DEFAULT 0 NOT NULL,
    d16 smallint DEFAULT 0 NOT NULL,
    d17 smallint DEFAULT 0 NOT NULL,
    d18 smallint DEFAULT 0 NOT NULL,
    d19 smallint DEFAULT 0 NOT NULL,
    d20 smallint DEFAULT 0 NOT NULL,
    d21 smallint DEFAULT 0 NOT NULL,
    d22 smallint DEFAULT 0 NOT NULL,
    d23 smallint DEFAULT 0 NOT NULL,
    d24 smallint DEFAULT 0 NOT NULL,
    d25 smallint DEFAULT 0 NOT NULL,
    d26 smallint DEFAULT 0 NOT NULL,
    d27 smallint DEFAULT 0 NOT NULL,
    d28 smallint DEFAULT 0 NOT NULL,
    d29 smallint DEFAULT 0 NOT NULL,
    d30 smallint DEFAULT 0 NOT NULL,
    d31 smallint DEFAULT 0 NOT NULL,
    CONSTRAINT h_tabel_month_check CHECK (((month >= 1) AND (month <= 12)))
);


ALTER TABLE accounts_dep.h_tabel OWNER TO postgres;

--
-- Name: h_tabel_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.h_tabel_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.h_tabel_id_seq OWNER TO postgres;

--
-- Name: h_tabel_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.h_tabel_id_seq OWNED BY accounts_dep.h_tabel.id;


--
-- Name: izdel; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.izdel (
    id public.t_id NOT NULL,
    marka character varying(50),
    nom character varying(100),
    massa double precision
);


ALTER TABLE accounts_dep.izdel OWNER TO postgres;

--
-- Name: norm; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.norm (
    id integer NOT NULL,
    o_id integer NOT NULL,
    norma integer,
    price double precision,
    prize integer
);


ALTER TABLE accounts_dep.norm OWNER TO postgres;

--
-- Name: norm_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.norm_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.norm_id_seq OWNER TO postgres;

--
-- Name: norm_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.norm_id_seq OWNED BY accounts_dep.norm.id;


--
-- Name: oper; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.oper (
    id integer NOT NULL,
    vid integer,
    naimen smallint,
    i_id integer,
    i_id_old integer,
    cena_new double precision,
    cena numeric
);


ALTER TABLE accounts_dep.oper OWNER TO postgres;

--
-- Name: oper_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.oper_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.oper_id_seq OWNER TO postgres;

--
-- Name: oper_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.oper_id_seq OWNED BY accounts_dep.oper.id;


--
-- Name: person_temp; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.person_temp (
    id public.t_id NOT NULL,
    id_smena integer NOT NULL,
    id_person public.t_id NOT NULL
);


ALTER TABLE accounts_dep.person_temp OWNER TO postgres;

--
-- Name: person_temp_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.person_temp_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.person_temp_id_seq OWNER TO postgres;

--
-- Name: person_temp_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.person_temp_id_seq OWNED BY accounts_dep.person_temp.id;


--
-- Name: schema_version; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.schema_version (
    version integer NOT NULL,
    applied timestamp with time zone DEFAULT now() NOT NULL,
    CONSTRAINT schema_version_version_check CHECK ((version > 0))
);


ALTER TABLE accounts_dep.schema_version OWNER TO postgres;

--
-- Name: smena; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.smena (
    id integer NOT NULL,
    data date NOT NULL,
    smena smallint NOT NULL,
    w_id integer,
    i_id integer,
    o_id integer,
    cena double precision,
    kol_vo double precision,
    brak smallint DEFAULT 0,
    "time" integer DEFAULT 0,
    color integer DEFAULT 0,
    ok character varying(255) DEFAULT 'no'::character varying,
    vvod timestamp without time zone DEFAULT now(),
    prize double precision DEFAULT 0,
    id_doc public.t_id DEFAULT 0,
    id_doc_item public.t_id DEFAULT 0,
    f_gds_qty_use double precision DEFAULT 0,
    id_gds_use public.t_id DEFAULT 0,
    id_cons_use public.t_id DEFAULT 0,
    id_smena_from integer
);


ALTER TABLE accounts_dep.smena OWNER TO postgres;

--
-- Name: smena_gds_use; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.smena_gds_use (
    id integer NOT NULL,
    id_smena integer NOT NULL,
    id_gds_use public.t_id NOT NULL,
    f_qty_use double precision DEFAULT 0 NOT NULL,
    id_cons_use public.t_id
);


ALTER TABLE accounts_dep.smena_gds_use OWNER TO postgres;

--
-- Name: smena_gds_use_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.smena_gds_use_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.smena_gds_use_id_seq OWNER TO postgres;

--
-- Name: smena_gds_use_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.smena_gds_use_id_seq OWNED BY accounts_dep.smena_gds_use.id;


--
-- Name: smena_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.smena_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.smena_id_seq OWNER TO postgres;

--
-- Name: smena_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.smena_id_seq OWNED BY accounts_dep.smena.id;


--
-- Name: smena_log; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.smena_log (
    id bigint NOT NULL,
    at timestamp with time zone NOT NULL,
    login text NOT NULL,
    kind text NOT NULL,
    id_smena integer NOT NULL,
    data date,
    smena smallint,
    w_id integer,
    old jsonb,
    new jsonb,
    CONSTRAINT smena_log_kind_check CHECK ((kind = ANY (ARRAY['insert'::text, 'update'::text, 'accept'::text, 'divide'::text, 'delete'::text])))
);


ALTER TABLE accounts_dep.smena_log OWNER TO postgres;

--
-- Name: smena_log_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.smena_log_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.smena_log_id_seq OWNER TO postgres;

--
-- Name: smena_log_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.smena_log_id_seq OWNED BY accounts_dep.smena_log.id;


--
-- Name: v_mnf_open_line; Type: VIEW; Schema: accounts_dep; Owner: postgres
--

CREATE VIEW accounts_dep.v_mnf_open_line AS
 SELECT di.id,
    di.id_doc,
    di.id_gds,
    di.id_gds_color,
    di.f_qty,
    COALESCE(made.kol_vo, (0)::numeric) AS made,
    gds.s_caption AS s_gds_hl,
        CASE
            WHEN ((di.id_gds_color)::numeric <> (0)::numeric) THEN COALESCE(clr.s_caption, (di.id_gds_color)::text)
            ELSE ''::text
        END AS s_gds_color_hl,
    gds.s_msm_ident,
    doc.s_number,
    doc.d_date
   FROM ((((mnf_doc.doc_item di
     JOIN mnf_doc.doc doc ON ((((doc.id)::numeric = (di.id_doc)::numeric) AND (NOT doc.b_closed))))
     JOIN cmn_gds_and_srv.gds_and_srv gds ON (((gds.id)::numeric = (di.id_gds)::numeric)))
     LEFT JOIN cmn_gds_and_srv.gds_and_srv clr ON (((clr.id)::numeric = (di.id_gds_color)::numeric)))
     LEFT JOIN LATERAL ( SELECT (sum(s.kol_vo))::numeric AS kol_vo
           FROM accounts_dep.smena s
          WHERE (((s.id_doc_item)::numeric = (di.id)::numeric) AND ((s.id_doc_item)::numeric <> (0)::numeric) AND ((s.ok)::text <> 'ta'::text))) made ON (true));


ALTER TABLE accounts_dep.v_mnf_open_line OWNER TO postgres;

--
-- Name: v_mnf_req_gds; Type: VIEW; Schema: accounts_dep; Owner: postgres
--

CREATE VIEW accounts_dep.v_mnf_req_gds AS
 SELECT l.id_gds,
    (l.s_gds_hl ||
        CASE
            WHEN ((l.id_gds_color)::numeric <> (0)::numeric) THEN format(' (%s)'::text, l.s_gds_color_hl)
            ELSE ''::text
        END) AS s_caption,
    (sum(l.f_qty))::numeric(28,3) AS f_qty_mnf,
    (sum(GREATEST((l.f_qty - l.made), (0)::numeric)))::numeric(28,3) AS f_qty_need,
    l.s_gds_hl,
    l.id_gds_color,
    l.s_gds_color_hl,
    (sum(l.made))::numeric(28,3) AS f_qty_smena,
    l.s_msm_ident
   FROM accounts_dep.v_mnf_open_line l
  GROUP BY l.id_gds, l.id_gds_color, l.s_gds_hl, l.s_gds_color_hl, l.s_msm_ident
 HAVING (sum(GREATEST((l.f_qty - l.made), (0)::numeric)) > (0)::numeric)
  ORDER BY (l.s_gds_hl ||
        CASE
            WHEN ((l.id_gds_color)::numeric <> (0)::numeric) THEN format(' (%s)'::text, l.s_gds_color_hl)
            ELSE ''::text
        END);


ALTER TABLE accounts_dep.v_mnf_req_gds OWNER TO postgres;

--
-- Name: v_mnf_requisition; Type: VIEW; Schema: accounts_dep; Owner: postgres
--

CREATE VIEW accounts_dep.v_mnf_requisition AS
 SELECT doc.id,
    format('Заявка № %s от %s'::text, doc.s_number, to_char((doc.d_date)::timestamp with time zone, 'dd.mm.yyyy'::text)) AS s_caption
   FROM mnf_doc.doc doc
  WHERE (NOT doc.b_closed);


ALTER TABLE accounts_dep.v_mnf_requisition OWNER TO postgres;

--
-- Name: v_mnf_requisition_item; Type: VIEW; Schema: accounts_dep; Owner: postgres
--

CREATE VIEW accounts_dep.v_mnf_requisition_item AS
 SELECT l.id,
    l.id_doc,
    format('%s%s, %s %s'::text, l.s_gds_hl,
        CASE
            WHEN ((l.id_gds_color)::numeric <> (0)::numeric) THEN format(' (%s)'::text, l.s_gds_color_hl)
            ELSE ''::text
        END, replace((trim_scale(l.f_qty))::text, '.'::text, ','::text), l.s_msm_ident) AS s_caption,
    l.id_gds,
    ((l.f_qty - l.made))::public.t_float AS f_qty,
    (l.id_gds)::text AS s_gds_mc
   FROM accounts_dep.v_mnf_open_line l;


ALTER TABLE accounts_dep.v_mnf_requisition_item OWNER TO postgres;

--
-- Name: ver; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.ver (
    d integer NOT NULL,
    t integer NOT NULL
);


ALTER TABLE accounts_dep.ver OWNER TO postgres;

--
-- Name: vid_oper; Type: TABLE; Schema: accounts_dep; Owner: postgres
--

CREATE TABLE accounts_dep.vid_oper (
    id integer NOT NULL,
    vid character varying(50) NOT NULL
);


ALTER TABLE accounts_dep.vid_oper OWNER TO postgres;

--
-- Name: vid_oper_id_seq; Type: SEQUENCE; Schema: accounts_dep; Owner: postgres
--

CREATE SEQUENCE accounts_dep.vid_oper_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE accounts_dep.vid_oper_id_seq OWNER TO postgres;

--
-- Name: vid_oper_id_seq; Type: SEQUENCE OWNED BY; Schema: accounts_dep; Owner: postgres
--

ALTER SEQUENCE accounts_dep.vid_oper_id_seq OWNED BY accounts_dep.vid_oper.id;


--
-- Name: h_tabel id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.h_tabel ALTER COLUMN id SET DEFAULT nextval('accounts_dep.h_tabel_id_seq'::regclass);


--
-- Name: norm id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.norm ALTER COLUMN id SET DEFAULT nextval('accounts_dep.norm_id_seq'::regclass);


--
-- Name: oper id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.oper ALTER COLUMN id SET DEFAULT nextval('accounts_dep.oper_id_seq'::regclass);


--
-- Name: person_temp id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.person_temp ALTER COLUMN id SET DEFAULT nextval('accounts_dep.person_temp_id_seq'::regclass);


--
-- Name: smena id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena ALTER COLUMN id SET DEFAULT nextval('accounts_dep.smena_id_seq'::regclass);


--
-- Name: smena_gds_use id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena_gds_use ALTER COLUMN id SET DEFAULT nextval('accounts_dep.smena_gds_use_id_seq'::regclass);


--
-- Name: smena_log id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena_log ALTER COLUMN id SET DEFAULT nextval('accounts_dep.smena_log_id_seq'::regclass);


--
-- Name: vid_oper id; Type: DEFAULT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.vid_oper ALTER COLUMN id SET DEFAULT nextval('accounts_dep.vid_oper_id_seq'::regclass);


--
-- Data for Name: h_tabel; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.h_tabel (id, w_id, smena, month, year, d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31) FROM stdin;
\.


--
-- Data for Name: izdel; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.izdel (id, marka, nom, massa) FROM stdin;
\.


--
-- Data for Name: norm; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.norm (id, o_id, norma, price, prize) FROM stdin;
\.


--
-- Data for Name: oper; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.oper (id, vid, naimen, i_id, i_id_old, cena_new, cena) FROM stdin;
\.


--
-- Data for Name: person_temp; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.person_temp (id, id_smena, id_person) FROM stdin;
\.


--
-- Data for Name: schema_version; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.schema_version (version, applied) FROM stdin;
2	2026-12-11 11:18:41.855383+00
\.


--
-- Data for Name: smena; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "time", color, ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use, id_smena_from) FROM stdin;
\.


--
-- Data for Name: smena_gds_use; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.smena_gds_use (id, id_smena, id_gds_use, f_qty_use, id_cons_use) FROM stdin;
\.


--
-- Data for Name: smena_log; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.smena_log (id, at, login, kind, id_smena, data, smena, w_id, old, new) FROM stdin;
\.


--
-- Data for Name: ver; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.ver (d, t) FROM stdin;
0	0
\.


--
-- Data for Name: vid_oper; Type: TABLE DATA; Schema: accounts_dep; Owner: postgres
--

COPY accounts_dep.vid_oper (id, vid) FROM stdin;
\.


--
-- Name: h_tabel_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.h_tabel_id_seq', 1, false);


--
-- Name: norm_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.norm_id_seq', 1, false);


--
-- Name: oper_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.oper_id_seq', 1, false);


--
-- Name: person_temp_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.person_temp_id_seq', 1, false);


--
-- Name: smena_gds_use_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.smena_gds_use_id_seq', 1, false);


--
-- Name: smena_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.smena_id_seq', 1, false);


--
-- Name: smena_log_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.smena_log_id_seq', 1, false);


--
-- Name: vid_oper_id_seq; Type: SEQUENCE SET; Schema: accounts_dep; Owner: postgres
--

SELECT pg_catalog.setval('accounts_dep.vid_oper_id_seq', 1, false);


--
-- Name: h_tabel h_tabel_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.h_tabel
    ADD CONSTRAINT h_tabel_pkey PRIMARY KEY (id);


--
-- Name: h_tabel h_tabel_w_id_smena_month_year_key; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.h_tabel
    ADD CONSTRAINT h_tabel_w_id_smena_month_year_key UNIQUE (w_id, smena, month, year);


--
-- Name: izdel izdel_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.izdel
    ADD CONSTRAINT izdel_pkey PRIMARY KEY (id);


--
-- Name: norm norm_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.norm
    ADD CONSTRAINT norm_pkey PRIMARY KEY (id);


--
-- Name: oper oper_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.oper
    ADD CONSTRAINT oper_pkey PRIMARY KEY (id);


--
-- Name: oper oper_vid_naimen_i_id_key; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.oper
    ADD CONSTRAINT oper_vid_naimen_i_id_key UNIQUE (vid, naimen, i_id);


--
-- Name: person_temp person_temp_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.person_temp
    ADD CONSTRAINT person_temp_pkey PRIMARY KEY (id);


--
-- Name: schema_version schema_version_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.schema_version
    ADD CONSTRAINT schema_version_pkey PRIMARY KEY (version);


--
-- Name: smena_gds_use smena_gds_use_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena_gds_use
    ADD CONSTRAINT smena_gds_use_pkey PRIMARY KEY (id);


--
-- Name: smena_log smena_log_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena_log
    ADD CONSTRAINT smena_log_pkey PRIMARY KEY (id);


--
-- Name: smena smena_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena
    ADD CONSTRAINT smena_pkey PRIMARY KEY (id);


--
-- Name: vid_oper vid_oper_pkey; Type: CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.vid_oper
    ADD CONSTRAINT vid_oper_pkey PRIMARY KEY (id);


--
-- Name: h_tabel_month; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX h_tabel_month ON accounts_dep.h_tabel USING btree (year, month);


--
-- Name: norm_o_id; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX norm_o_id ON accounts_dep.norm USING btree (o_id);


--
-- Name: oper_i_id; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX oper_i_id ON accounts_dep.oper USING btree (i_id);


--
-- Name: oper_i_id_old; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX oper_i_id_old ON accounts_dep.oper USING btree (i_id_old);


--
-- Name: person_temp_smena; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX person_temp_smena ON accounts_dep.person_temp USING btree (id_smena);


--
-- Name: smena_data_smena; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_data_smena ON accounts_dep.smena USING btree (data, smena);


--
-- Name: smena_doc_item; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_doc_item ON accounts_dep.smena USING btree (id_doc_item) WHERE ((id_doc_item)::numeric <> (0)::numeric);


--
-- Name: smena_from; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_from ON accounts_dep.smena USING btree (id_smena_from) WHERE (id_smena_from IS NOT NULL);


--
-- Name: smena_gds_use_gds; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_gds_use_gds ON accounts_dep.smena_gds_use USING btree (id_gds_use);


--
-- Name: smena_gds_use_smena; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_gds_use_smena ON accounts_dep.smena_gds_use USING btree (id_smena);


--
-- Name: smena_log_at; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_log_at ON accounts_dep.smena_log USING btree (at);


--
-- Name: smena_log_smena; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_log_smena ON accounts_dep.smena_log USING btree (id_smena, id);


--
-- Name: smena_o_id; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_o_id ON accounts_dep.smena USING btree (o_id);


--
-- Name: smena_worker_day; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE INDEX smena_worker_day ON accounts_dep.smena USING btree (w_id, smena, data);


--
-- Name: vid_oper_upper_vid; Type: INDEX; Schema: accounts_dep; Owner: postgres
--

CREATE UNIQUE INDEX vid_oper_upper_vid ON accounts_dep.vid_oper USING btree (upper((vid)::text));


--
-- Name: h_tabel h_tabel_notify; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER h_tabel_notify AFTER INSERT OR DELETE OR UPDATE ON accounts_dep.h_tabel FOR EACH ROW EXECUTE FUNCTION accounts_dep.h_tabel_notify();


--
-- Name: h_tabel h_tabel_refuse_truncate; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER h_tabel_refuse_truncate BEFORE TRUNCATE ON accounts_dep.h_tabel FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.truncate_refuse('Табель нельзя очистить командой TRUNCATE: рабочие места не узнали бы об этом; удаляйте строки командой DELETE');


--
-- Name: oper oper_first_norm; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER oper_first_norm AFTER INSERT ON accounts_dep.oper FOR EACH ROW EXECUTE FUNCTION accounts_dep.oper_first_norm();


--
-- Name: smena smena_log; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_log AFTER INSERT OR DELETE OR UPDATE ON accounts_dep.smena FOR EACH ROW WHEN ((CURRENT_USER <> 'tabel_divide'::name)) EXECUTE FUNCTION accounts_dep.smena_log_row();


--
-- Name: smena smena_log_division; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_log_division AFTER INSERT OR DELETE OR UPDATE ON accounts_dep.smena FOR EACH ROW WHEN ((CURRENT_USER = 'tabel_divide'::name)) EXECUTE FUNCTION accounts_dep.smena_log_row('divide');


--
-- Name: smena_log smena_log_refuse; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_log_refuse BEFORE DELETE OR UPDATE ON accounts_dep.smena_log FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_log_refuse();


--
-- Name: smena_log smena_log_refuse_truncate; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_log_refuse_truncate BEFORE TRUNCATE ON accounts_dep.smena_log FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.smena_log_refuse();


--
-- Name: smena smena_notify; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_notify AFTER INSERT OR DELETE OR UPDATE ON accounts_dep.smena FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_notify();


--
-- Name: smena smena_refuse_truncate; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER smena_refuse_truncate BEFORE TRUNCATE ON accounts_dep.smena FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.truncate_refuse('Журнал нельзя очистить командой TRUNCATE: позиции ушли бы мимо истории изменений и рабочих мест; удаляйте их командой DELETE');


--
-- Name: ver ver_stamp_check; Type: TRIGGER; Schema: accounts_dep; Owner: postgres
--

CREATE TRIGGER ver_stamp_check BEFORE INSERT OR UPDATE ON accounts_dep.ver FOR EACH ROW EXECUTE FUNCTION accounts_dep.ver_stamp_check();


--
-- Name: norm norm_o_id_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.norm
    ADD CONSTRAINT norm_o_id_fkey FOREIGN KEY (o_id) REFERENCES accounts_dep.oper(id) ON DELETE CASCADE;


--
-- Name: oper oper_vid_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.oper
    ADD CONSTRAINT oper_vid_fkey FOREIGN KEY (vid) REFERENCES accounts_dep.vid_oper(id) NOT VALID;


--
-- Name: person_temp person_temp_id_smena_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.person_temp
    ADD CONSTRAINT person_temp_id_smena_fkey FOREIGN KEY (id_smena) REFERENCES accounts_dep.smena(id) ON DELETE CASCADE;


--
-- Name: smena_gds_use smena_gds_use_id_smena_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena_gds_use
    ADD CONSTRAINT smena_gds_use_id_smena_fkey FOREIGN KEY (id_smena) REFERENCES accounts_dep.smena(id) ON DELETE CASCADE;


--
-- Name: smena smena_id_smena_from_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena
    ADD CONSTRAINT smena_id_smena_from_fkey FOREIGN KEY (id_smena_from) REFERENCES accounts_dep.smena(id) ON DELETE SET NULL;


--
-- Name: smena smena_o_id_fkey; Type: FK CONSTRAINT; Schema: accounts_dep; Owner: postgres
--

ALTER TABLE ONLY accounts_dep.smena
    ADD CONSTRAINT smena_o_id_fkey FOREIGN KEY (o_id) REFERENCES accounts_dep.oper(id) NOT VALID;


--
-- Name: SCHEMA accounts_dep; Type: ACL; Schema: -; Owner: postgres
--

GRANT USAGE ON SCHEMA accounts_dep TO tabel_user;
GRANT USAGE ON SCHEMA accounts_dep TO tabel_reader;
GRANT USAGE ON SCHEMA accounts_dep TO tabel_accept;
GRANT USAGE ON SCHEMA accounts_dep TO tabel_divide;
GRANT USAGE ON SCHEMA accounts_dep TO tabel_log;
GRANT USAGE ON SCHEMA accounts_dep TO tab;


--
-- Name: FUNCTION divide_between_person(p_id bigint); Type: ACL; Schema: accounts_dep; Owner: tabel_divide
--

REVOKE ALL ON FUNCTION accounts_dep.divide_between_person(p_id bigint) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.divide_between_person(p_id bigint) TO tabel_user;


--
-- Name: FUNCTION get_doc_item_by_gds(p_id_gds public.t_id, p_id_gds_color public.t_id); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.get_doc_item_by_gds(p_id_gds public.t_id, p_id_gds_color public.t_id) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.get_doc_item_by_gds(p_id_gds public.t_id, p_id_gds_color public.t_id) TO tabel_user;


--
-- Name: FUNCTION get_doc_item_caption_by_smena(p_id bigint); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.get_doc_item_caption_by_smena(p_id bigint) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.get_doc_item_caption_by_smena(p_id bigint) TO tabel_user;


--
-- Name: FUNCTION get_gds_from_by_smena(p_id_smena bigint); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.get_gds_from_by_smena(p_id_smena bigint) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.get_gds_from_by_smena(p_id_smena bigint) TO tabel_user;


--
-- Name: FUNCTION get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds public.t_id, p_mode text); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds public.t_id, p_mode text) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds public.t_id, p_mode text) TO tabel_user;


--
-- Name: FUNCTION h_tabel_notify(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.h_tabel_notify() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.h_tabel_notify() TO tabel_user;


--
-- Name: FUNCTION oper_first_norm(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.oper_first_norm() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.oper_first_norm() TO tabel_user;


--
-- Name: FUNCTION qty_text(q numeric); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.qty_text(q numeric) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.qty_text(q numeric) TO tabel_user;


--
-- Name: FUNCTION show_consignment(p_id_gds public.t_id); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.show_consignment(p_id_gds public.t_id) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.show_consignment(p_id_gds public.t_id) TO tabel_user;


--
-- Name: FUNCTION smena__accept_row_hwo(p_id bigint); Type: ACL; Schema: accounts_dep; Owner: tabel_accept
--

REVOKE ALL ON FUNCTION accounts_dep.smena__accept_row_hwo(p_id bigint) FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.smena__accept_row_hwo(p_id bigint) TO tabel_user;
GRANT ALL ON FUNCTION accounts_dep.smena__accept_row_hwo(p_id bigint) TO tabel_operator;


--
-- Name: FUNCTION smena_log_refuse(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.smena_log_refuse() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.smena_log_refuse() TO tabel_user;


--
-- Name: FUNCTION smena_log_row(); Type: ACL; Schema: accounts_dep; Owner: tabel_log
--

REVOKE ALL ON FUNCTION accounts_dep.smena_log_row() FROM PUBLIC;


--
-- Name: FUNCTION smena_notify(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.smena_notify() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.smena_notify() TO tabel_user;


--
-- Name: FUNCTION truncate_refuse(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.truncate_refuse() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.truncate_refuse() TO tabel_user;


--
-- Name: FUNCTION ver_stamp_check(); Type: ACL; Schema: accounts_dep; Owner: postgres
--

REVOKE ALL ON FUNCTION accounts_dep.ver_stamp_check() FROM PUBLIC;
GRANT ALL ON FUNCTION accounts_dep.ver_stamp_check() TO tabel_user;


--
-- Name: TABLE h_tabel; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.h_tabel TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.h_tabel TO tabel_reader;
GRANT SELECT,INSERT,UPDATE ON TABLE accounts_dep.h_tabel TO tabel_divide;


--
-- Name: SEQUENCE h_tabel_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.h_tabel_id_seq TO tabel_user;
GRANT USAGE ON SEQUENCE accounts_dep.h_tabel_id_seq TO tabel_divide;


--
-- Name: TABLE izdel; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.izdel TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.izdel TO tabel_reader;


--
-- Name: TABLE norm; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.norm TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.norm TO tabel_reader;
GRANT SELECT ON TABLE accounts_dep.norm TO tabel_accept;


--
-- Name: SEQUENCE norm_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.norm_id_seq TO tabel_user;


--
-- Name: TABLE oper; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.oper TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.oper TO tabel_reader;


--
-- Name: SEQUENCE oper_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.oper_id_seq TO tabel_user;


--
-- Name: TABLE person_temp; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.person_temp TO tabel_user;
GRANT SELECT,DELETE ON TABLE accounts_dep.person_temp TO tabel_divide;


--
-- Name: SEQUENCE person_temp_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.person_temp_id_seq TO tabel_user;


--
-- Name: TABLE schema_version; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.schema_version TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.schema_version TO tabel_reader;
GRANT SELECT ON TABLE accounts_dep.schema_version TO tab;


--
-- Name: TABLE smena; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.smena TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.smena TO tabel_reader;
GRANT SELECT ON TABLE accounts_dep.smena TO tabel_accept;
GRANT SELECT ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.data; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(data) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.smena; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(smena) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.w_id; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(w_id) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.i_id; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(i_id) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.o_id; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(o_id) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.cena; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(cena) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.kol_vo; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(kol_vo),UPDATE(kol_vo) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.brak; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(brak),UPDATE(brak) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena."time"; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT("time") ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.color; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(color) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.ok; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT UPDATE(ok) ON TABLE accounts_dep.smena TO tabel_accept;
GRANT INSERT(ok) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.vvod; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(vvod) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.prize; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT UPDATE(prize) ON TABLE accounts_dep.smena TO tabel_accept;
GRANT INSERT(prize) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.id_doc; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(id_doc) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.id_doc_item; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(id_doc_item) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.f_gds_qty_use; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(f_gds_qty_use) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.id_gds_use; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(id_gds_use) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.id_cons_use; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(id_cons_use) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: COLUMN smena.id_smena_from; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT INSERT(id_smena_from) ON TABLE accounts_dep.smena TO tabel_divide;


--
-- Name: TABLE smena_gds_use; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.smena_gds_use TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.smena_gds_use TO tabel_reader;


--
-- Name: SEQUENCE smena_gds_use_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.smena_gds_use_id_seq TO tabel_user;


--
-- Name: SEQUENCE smena_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.smena_id_seq TO tabel_user;
GRANT USAGE ON SEQUENCE accounts_dep.smena_id_seq TO tabel_divide;


--
-- Name: TABLE smena_log; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.smena_log TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.smena_log TO tabel_reader;
GRANT INSERT ON TABLE accounts_dep.smena_log TO tabel_log;


--
-- Name: SEQUENCE smena_log_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.smena_log_id_seq TO tabel_log;


--
-- Name: TABLE v_mnf_open_line; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.v_mnf_open_line TO tabel_user;


--
-- Name: TABLE v_mnf_req_gds; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.v_mnf_req_gds TO tabel_user;


--
-- Name: TABLE v_mnf_requisition; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.v_mnf_requisition TO tabel_user;


--
-- Name: TABLE v_mnf_requisition_item; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT ON TABLE accounts_dep.v_mnf_requisition_item TO tabel_user;


--
-- Name: TABLE ver; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,UPDATE ON TABLE accounts_dep.ver TO tabel_user;
GRANT SELECT,INSERT,UPDATE ON TABLE accounts_dep.ver TO tabel_reader;
GRANT SELECT,UPDATE ON TABLE accounts_dep.ver TO tab;


--
-- Name: TABLE vid_oper; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT SELECT,INSERT,DELETE,UPDATE ON TABLE accounts_dep.vid_oper TO tabel_user;
GRANT SELECT ON TABLE accounts_dep.vid_oper TO tabel_reader;


--
-- Name: SEQUENCE vid_oper_id_seq; Type: ACL; Schema: accounts_dep; Owner: postgres
--

GRANT USAGE ON SEQUENCE accounts_dep.vid_oper_id_seq TO tabel_user;


--
-- PostgreSQL database dump complete
--


-- rights on the ERP side
GRANT USAGE ON SCHEMA cmn_contractor TO tabel_user;
GRANT USAGE ON SCHEMA cmn_contractor TO tabel_reader;
GRANT USAGE ON SCHEMA cmn_contractor TO tabel_divide;
GRANT USAGE ON SCHEMA cmn_gds_and_srv TO tabel_user;
GRANT USAGE ON SCHEMA cmn_gds_and_srv TO tabel_reader;
GRANT USAGE ON SCHEMA hrms_movement TO tabel_user;
GRANT USAGE ON SCHEMA hrms_staffpos TO tabel_user;
GRANT USAGE ON SCHEMA mnf_doc TO tabel_user;
GRANT USAGE ON SCHEMA mnf_doc TO tabel_reader;
GRANT USAGE ON SCHEMA mnf_operation TO tabel_user;
GRANT USAGE ON SCHEMA whs_stock TO tabel_user;
GRANT SELECT ON TABLE cmn_gds_and_srv.gds_and_srv TO tabel_user;
GRANT SELECT ON TABLE cmn_gds_and_srv.gds_and_srv TO tabel_reader;
GRANT SELECT ON TABLE mnf_doc.doc TO tabel_user;
GRANT SELECT ON TABLE mnf_doc.doc TO tabel_reader;
GRANT SELECT ON TABLE mnf_doc.doc_item TO tabel_user;
GRANT SELECT ON TABLE cmn_contractor.person TO tabel_user;
GRANT SELECT ON TABLE cmn_contractor.person TO tabel_reader;
GRANT SELECT ON TABLE cmn_contractor.person TO tabel_divide;
GRANT SELECT ON TABLE cmn_gds_and_srv.gds_attr TO tabel_user;
GRANT SELECT ON TABLE hrms_movement.movement TO tabel_user;
GRANT SELECT ON TABLE hrms_staffpos.staffpos TO tabel_user;
GRANT SELECT ON TABLE mnf_operation.operation TO tabel_user;
GRANT SELECT ON TABLE whs_stock.balance TO tabel_user;
GRANT SELECT ON TABLE whs_stock.consignment TO tabel_user;
GRANT SELECT ON TABLE whs_stock.reserve TO tabel_user;
GRANT SELECT ON TABLE whs_stock.stock TO tabel_user;
